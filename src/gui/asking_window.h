// The window a person asked from. The Restore menu's keys work from several windows, and a
// dialog they open belongs over the window the person is looking at, not over one that may lie
// hidden behind it.
#pragma once

#include <QWidget>

namespace brumel {

// The program's active window; owner when none is active and shown (as before the first window
// shows, or after a dialog closed).
QWidget* AskingWindow(QWidget* owner);

}  // namespace brumel
