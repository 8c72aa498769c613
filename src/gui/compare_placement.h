// Where the Compare window opens: beside the main window where the screen has room for it, so
// that the controls stay in sight while the picture is judged; else over the part of the screen
// the main window leaves free. All rectangles are window frames (decorations included) in screen
// coordinates.
#pragma once

#include <QRect>
#include <QSize>

namespace brumel {

// The narrowest the Compare window is made to stand beside the main window; on a screen with
// less room beside it, it keeps its size and covers part of the main window instead.
inline constexpr int kLeastCompareWidth = 480;

// The frame of the Compare window for the main window's frame, the screen's available area and
// the frame size wanted. It is never wider or taller than the available area and lies within it:
// to the right of the main window where the wanted width fits there, else to its left; else it
// fills the wider of the two sides when that is at least kLeastCompareWidth wide; else it stands
// against the available area's edge on that side. Its top is the main window's, moved down or up
// as far as needed to stay within the available area.
QRect CompareFrame(const QRect& mainFrame, const QRect& available, QSize wanted);

}  // namespace brumel
