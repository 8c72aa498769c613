// The update check's offer dialog: two lines of text and the choice between "Load Update" and
// "No thanks". Made once, hidden, and reused; its texts stay from one check to the next.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "platform/ports.h"

namespace brumel {

class TYesorno : public QDialog, public OfferDialogPort {
  Q_OBJECT

 public:
  static constexpr int kOuterWidth = 335;
  static constexpr int kOuterHeight = 122;
  static constexpr int kLeft = 345;
  static constexpr int kTop = 285;

  explicit TYesorno(QWidget* parent = nullptr);

  void SetCaption(const std::string& text) override;
  void SetUpperLine(const std::string& text) override;
  void SetLowerLine(const std::string& text) override;
  // True only for "Load Update"; "No thanks" and closing the window give false.
  bool ShowModal() override;

  QLabel* Label1;
  QLabel* Label2;
  QPushButton* Button2;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FitOuterSize();
};

}  // namespace brumel
