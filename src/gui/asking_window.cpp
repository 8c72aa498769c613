#include "gui/asking_window.h"

#include <QApplication>

namespace brumel {

QWidget* AskingWindow(QWidget* owner) {
  // A dialog just closed may still be the active window on some platforms (the offscreen one
  // activates no other); a hidden window asks nothing, and a dialog must never be its own parent.
  QWidget* active = QApplication::activeWindow();
  return active && active->isVisible() ? active : owner;
}

}  // namespace brumel
