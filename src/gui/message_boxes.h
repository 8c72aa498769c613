// The two message boxes with real Qt dialogs: the application title as caption, one OK button.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "platform/ports.h"

namespace brumel {

class QtMessageBoxes : public MessagePort {
 public:
  // owner: the window the boxes show over when none of the program's windows is active; else
  // they show over the active one, where the person asked.
  QtMessageBoxes(QWidget* owner, const std::string& applicationTitle);

  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;

 private:
  QWidget* owner_;
  QString title_;
};

}  // namespace brumel
