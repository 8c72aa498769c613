#include "gui/asking_window.h"

#include <QApplication>

namespace brumel {

QWidget* AskingWindow(QWidget* owner) {
  QWidget* active = QApplication::activeWindow();
  return active ? active : owner;
}

}  // namespace brumel
