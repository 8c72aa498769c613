// The "Levels" dialog: per channel the black point, white point and gamma of the levels step
// taken before the correction, with the command line's ranges and steps. It stays open beside
// the window; every change is reported at once.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <array>
#include <string>

#include "correct/levels.h"

namespace brumel {

class LevelsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit LevelsDialog(QWidget* parent);

  // Shows the levels without reporting them as a change.
  void Show(const Levels& levels);
  // Opens centred over the window that asked and comes to the front; while it is open it keeps
  // its place and only comes to the front.
  void OpenOver(QWidget* asking);
  Levels Current() const;
  // What "Automatic" found, under the levels; empty hides it.
  void ShowFound(const std::string& note);

  struct ChannelBoxes {
    QSpinBox* black;
    QSpinBox* white;
    QDoubleSpinBox* gamma;  // the levels' hundredths as a decimal
  };
  // Red, green, blue.
  std::array<ChannelBoxes, 3> channels;
  QCheckBox* SameForAll;
  QPushButton* ResetButton;
  QLabel* Found;

 signals:
  void Changed(const Levels& levels);

 private:
  void BuildChannel(int row, const char* caption, ChannelBoxes& boxes);
  // A box of one channel changed: with "Same for all channels" the others follow.
  void ChannelChanged(int channel);
  void SameForAllToggled(bool same);
  void SetChannel(ChannelBoxes& boxes, const ChannelLevels& levels);
};

}  // namespace brumel
