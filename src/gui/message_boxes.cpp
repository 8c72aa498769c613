#include "gui/message_boxes.h"

#include <QMessageBox>

#include "gui/asking_window.h"
#include "platform/error.h"

namespace brumel {

namespace {

void ShowBox(QWidget* owner, const QString& title, QMessageBox::Icon icon,
             const std::string& text) {
  QMessageBox box(icon, title, QString::fromStdString(text), QMessageBox::Ok, AskingWindow(owner));
  box.exec();
}

}  // namespace

QtMessageBoxes::QtMessageBoxes(QWidget* owner, const std::string& applicationTitle)
    : owner_(owner), title_(QString::fromStdString(applicationTitle)) {}

void QtMessageBoxes::ShowInformation(const std::string& text) {
  ShowBox(owner_, title_, QMessageBox::NoIcon, text);
}

void QtMessageBoxes::ShowError(const std::string& text) {
  ShowBox(owner_, title_, QMessageBox::Critical, ErrorBoxText(text));
}

}  // namespace brumel
