// Where the Compare window opens, for main windows and screens of several sizes: the frames are
// those of the main window at its place on a desktop with a panel along the bottom.
#include "gui/compare_placement.h"

#include <gtest/gtest.h>

namespace brumel {
namespace {

// The main window at (205, 101) with a title bar of 24 and borders of 1 pixel.
const QRect kMainFrame(204, 77, 560, 639);
// The Compare window's start size with the same decorations.
const QSize kWanted(1002, 745);

// Full HD with a 40-pixel panel, and an old 1024 x 768 monitor with one.
const QRect kFullHd(0, 0, 1920, 1040);
const QRect kSmall(0, 0, 1024, 728);

TEST(CompareFrame, BesideTheMainWindowWhereTheScreenHasRoom) {
  EXPECT_EQ(CompareFrame(kMainFrame, kFullHd, kWanted),
            QRect(QPoint(kMainFrame.right() + 1, kMainFrame.top()), kWanted));
  // A main window moved to the screen's right side gets it on its left.
  const QRect moved = kMainFrame.translated(1100, 0);
  EXPECT_EQ(CompareFrame(moved, kFullHd, kWanted),
            QRect(QPoint(moved.left() - kWanted.width(), moved.top()), kWanted));
  // Low on the screen, it is moved up to show whole.
  const QRect low = kMainFrame.translated(0, 380);
  EXPECT_EQ(CompareFrame(low, kFullHd, kWanted).bottom(), kFullHd.bottom());
  // A second monitor right of the first, with its panel along the top.
  const QRect second(1920, 32, 1920, 1048);
  const QRect there = kMainFrame.translated(1920, 0);
  EXPECT_EQ(CompareFrame(there, second, kWanted),
            QRect(QPoint(there.right() + 1, there.top()), kWanted));
}

// Too little room for the wanted width, but enough to be useful: it fills the room beside the
// main window, covering none of it.
TEST(CompareFrame, NarrowerBesideTheMainWindowWhereTheRoomIsUseful) {
  const QRect laptop(0, 0, 1366, 740);
  const QRect frame = CompareFrame(kMainFrame, laptop, kWanted);
  EXPECT_EQ(frame.left(), kMainFrame.right() + 1);
  EXPECT_EQ(frame.right(), laptop.right());
  EXPECT_GE(frame.width(), kLeastCompareWidth);
  EXPECT_FALSE(frame.intersects(kMainFrame));
  EXPECT_TRUE(laptop.contains(frame));
}

// No useful room beside it: the wanted size, as far as the screen holds it, against the edge
// with more room, covering as little of the main window as that size allows.
TEST(CompareFrame, WithinTheScreenWhereThereIsNoRoomBesideIt) {
  const QRect frame = CompareFrame(kMainFrame, kSmall, kWanted);
  EXPECT_TRUE(kSmall.contains(frame));
  EXPECT_EQ(frame.width(), kWanted.width());
  EXPECT_EQ(frame.height(), kSmall.height());
  EXPECT_EQ(frame.right(), kSmall.right());
  // A main window nearer the right edge gets it on its left, its right part left in sight.
  const QRect right = kMainFrame.translated(250, 0);
  const QRect other = CompareFrame(right, kSmall, kWanted);
  EXPECT_EQ(other.left(), kSmall.left());
  EXPECT_LT(other.right(), right.right());
  // Never larger than the available area, nor beyond it, wherever the main window stands.
  const QSize huge(3000, 2000);
  EXPECT_EQ(CompareFrame(kMainFrame, kSmall, huge), kSmall);
  for (const QRect& main : {kMainFrame.translated(-400, -200), kMainFrame.translated(900, 500)})
    EXPECT_TRUE(kSmall.contains(CompareFrame(main, kSmall, huge)));
}

}  // namespace
}  // namespace brumel
