#include "gui/compare_placement.h"

#include <algorithm>

namespace brumel {

namespace {

// The left edge and width of the Compare window.
struct Columns {
  int left;
  int width;
};

Columns CompareColumns(const QRect& mainFrame, const QRect& available, int width) {
  // The main window's edges as far as they lie on the available area: one dragged partly off
  // the screen leaves the room up to the screen's edge, and no more.
  const int mainLeft = std::clamp(mainFrame.left(), available.left(), available.right() + 1);
  const int mainRight = std::clamp(mainFrame.right(), available.left() - 1, available.right());
  const int rightRoom = available.right() - mainRight;
  const int leftRoom = mainLeft - available.left();
  if (rightRoom >= width) return {mainRight + 1, width};
  if (leftRoom >= width) return {mainLeft - width, width};
  const bool right = rightRoom >= leftRoom;
  const int room = right ? rightRoom : leftRoom;
  if (room >= kLeastCompareWidth) return {right ? mainRight + 1 : available.left(), room};
  return {right ? available.right() + 1 - width : available.left(), width};
}

}  // namespace

QRect CompareFrame(const QRect& mainFrame, const QRect& available, QSize wanted) {
  const QSize bounded = wanted.boundedTo(available.size());
  const Columns columns = CompareColumns(mainFrame, available, bounded.width());
  const int top =
      std::clamp(mainFrame.top(), available.top(), available.bottom() + 1 - bounded.height());
  return QRect(columns.left, top, columns.width, bounded.height());
}

}  // namespace brumel
