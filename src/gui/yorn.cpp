#include "gui/yorn.h"

#include <QKeyEvent>
#include <QWindow>

#include "gui/design_font.h"

namespace brumel {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top) {
  auto* label = new QLabel("Update", parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

TYesorno::TYesorno(QWidget* parent) : QDialog(parent) {
  setObjectName("Yesorno");
  setWindowTitle("Yes or No");
  setFont(DesignFont());
  Label1 = MakeLabel(this, "Label1", 8, 16);
  Label2 = MakeLabel(this, "Label2", 8, 32);
  Button2 = MakeButton(this, "Button2", "Load Update", QRect(8, 56, 145, 25));
  Button1 = MakeButton(this, "Button1", "No thanks", QRect(168, 56, 147, 25));
  // "No thanks" comes first, so a hasty Enter declines the download.
  setTabOrder(Button1, Button2);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
  FitOuterSize();
}

void TYesorno::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text));
}

void TYesorno::SetUpperLine(const std::string& text) {
  Label1->setText(QString::fromStdString(text));
  Label1->adjustSize();
}

void TYesorno::SetLowerLine(const std::string& text) {
  Label2->setText(QString::fromStdString(text));
  Label2->adjustSize();
}

bool TYesorno::ShowModal() {
  Button1->setFocus();
  return exec() == QDialog::Accepted;
}

void TYesorno::showEvent(QShowEvent* event) {
  FitOuterSize();
  QDialog::showEvent(event);
}

// The size is that of the whole window, frame included; the frame is known once the window
// system has framed the window, so it is fitted again at every showing.
void TYesorno::FitOuterSize() {
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  setFixedSize(kOuterWidth - frame.left() - frame.right(),
               kOuterHeight - frame.top() - frame.bottom());
  move(kLeft, kTop);
}

// Neither button is the cancel button: Escape leaves the dialog open.
void TYesorno::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace brumel
