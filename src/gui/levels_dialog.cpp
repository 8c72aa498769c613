#include "gui/levels_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <cmath>

namespace brumel {

namespace {

constexpr double kGammaUnit = 100;  // the levels hold the gamma in hundredths

template <typename AnyLevels>
auto& Channel(AnyLevels& levels, int channel) {
  return channel == 0 ? levels.red : channel == 1 ? levels.green : levels.blue;
}

QSpinBox* MakeBox(QWidget* parent, const ControlRange& range) {
  auto* box = new QSpinBox(parent);
  box->setRange(range.minimum, range.maximum);
  box->setValue(range.initial);
  return box;
}

}  // namespace

LevelsDialog::LevelsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("LevelsDialog1");
  setWindowTitle("Levels");
  setModal(false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Black point", this), 0, 1);
  grid->addWidget(new QLabel("White point", this), 0, 2);
  grid->addWidget(new QLabel("Gamma", this), 0, 3);
  const char* captions[] = {"Red", "Green", "Blue"};
  for (int c = 0; c < 3; ++c) BuildChannel(c + 1, captions[c], channels[c]);
  SameForAll = new QCheckBox("Same for all channels", this);
  grid->addWidget(SameForAll, 4, 0, 1, 3);
  connect(SameForAll, &QCheckBox::toggled, this, &LevelsDialog::SameForAllToggled);
  ResetButton = new QPushButton("Reset", this);
  grid->addWidget(ResetButton, 4, 3);
  Found = new QLabel(this);
  Found->setObjectName("Found");
  Found->hide();
  grid->addWidget(Found, 5, 0, 1, 4);
  connect(ResetButton, &QPushButton::clicked, this, [this] {
    Show(Levels{});
    emit Changed(Current());
  });
}

void LevelsDialog::BuildChannel(int row, const char* caption, ChannelBoxes& boxes) {
  auto* grid = static_cast<QGridLayout*>(layout());
  grid->addWidget(new QLabel(caption, this), row, 0);
  boxes.black = MakeBox(this, kLevelsBlack);
  boxes.white = MakeBox(this, kLevelsWhite);
  boxes.gamma = new QDoubleSpinBox(this);
  boxes.gamma->setDecimals(2);
  boxes.gamma->setSingleStep(1 / kGammaUnit);
  boxes.gamma->setRange(kLevelsGamma.minimum / kGammaUnit, kLevelsGamma.maximum / kGammaUnit);
  boxes.gamma->setValue(kLevelsGamma.initial / kGammaUnit);
  grid->addWidget(boxes.black, row, 1);
  grid->addWidget(boxes.white, row, 2);
  grid->addWidget(boxes.gamma, row, 3);
  const int channel = row - 1;
  const auto changed = [this, channel] { ChannelChanged(channel); };
  connect(boxes.black, &QSpinBox::valueChanged, this, changed);
  connect(boxes.white, &QSpinBox::valueChanged, this, changed);
  connect(boxes.gamma, &QDoubleSpinBox::valueChanged, this, changed);
}

// The black point stays below the white point, so that the levels are always valid.
void LevelsDialog::SetChannel(ChannelBoxes& boxes, const ChannelLevels& levels) {
  const QSignalBlocker blockBlack(boxes.black), blockWhite(boxes.white), blockGamma(boxes.gamma);
  boxes.black->setRange(kLevelsBlack.minimum, kLevelsBlack.maximum);
  boxes.white->setRange(kLevelsWhite.minimum, kLevelsWhite.maximum);
  boxes.black->setValue(levels.black);
  boxes.white->setValue(levels.white);
  boxes.gamma->setValue(levels.gamma / kGammaUnit);
  boxes.black->setMaximum(levels.white - 1);
  boxes.white->setMinimum(levels.black + 1);
}

void LevelsDialog::Show(const Levels& levels) {
  for (int c = 0; c < 3; ++c) SetChannel(channels[c], Channel(levels, c));
}

void LevelsDialog::ShowFound(const std::string& note) {
  Found->setText(QString::fromStdString(note));
  Found->setVisible(!note.empty());
}

void LevelsDialog::OpenOver(QWidget* asking) {
  if (!isVisible()) {
    // Centred by its size, which it takes from its layout only when first shown.
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    adjustPosition(asking);
  }
  show();
  raise();
  activateWindow();
}

Levels LevelsDialog::Current() const {
  Levels levels;
  for (int c = 0; c < 3; ++c) {
    ChannelLevels& channel = Channel(levels, c);
    channel.black = channels[c].black->value();
    channel.white = channels[c].white->value();
    channel.gamma = static_cast<int>(std::lround(channels[c].gamma->value() * kGammaUnit));
  }
  return levels;
}

void LevelsDialog::ChannelChanged(int channel) {
  Levels levels = Current();
  if (SameForAll->isChecked())
    for (int c = 0; c < 3; ++c) Channel(levels, c) = Channel(levels, channel);
  Show(levels);
  emit Changed(levels);
}

void LevelsDialog::SameForAllToggled(bool same) {
  if (same) ChannelChanged(0);
}

}  // namespace brumel
