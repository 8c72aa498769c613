// The offer dialog: its geometry, texts and focus, and the result of each way of closing it.
#include "gui/yorn.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

namespace brumel {
namespace {

// Runs the dialog modally; while it is up, act answers it.
bool RunWhileShown(TYesorno& dialog, std::function<void()> act) {
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!dialog.isVisible()) return;
    poll.stop();
    act();
    if (dialog.isVisible()) dialog.close();  // a failed check must not leave it waiting
  });
  poll.start(10);
  return dialog.ShowModal();
}

TEST(Yesorno, DesignedGeometryAndTexts) {
  TYesorno dialog;
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.windowTitle(), "Yes or No");
  EXPECT_EQ(dialog.Label1->text(), "Update");
  EXPECT_EQ(dialog.Label1->pos(), QPoint(8, 16));
  EXPECT_EQ(dialog.Label2->pos(), QPoint(8, 32));
  EXPECT_EQ(dialog.Button2->text(), "Load Update");
  EXPECT_EQ(dialog.Button2->geometry(), QRect(8, 56, 145, 25));
  EXPECT_EQ(dialog.Button1->text(), "No thanks");
  EXPECT_EQ(dialog.Button1->geometry(), QRect(168, 56, 147, 25));
  RunWhileShown(dialog, [&] {
    EXPECT_EQ(dialog.frameGeometry(), QRect(345, 285, 335, 122));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.Button1);
    QTest::keyClick(dialog.Button1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Button2);
    dialog.Button1->click();
  });
}

TEST(Yesorno, LabelsTakeTheOfferLinesAndFitThem) {
  TYesorno dialog;
  dialog.SetCaption("Version 1.2 available");
  dialog.SetUpperLine("A much longer first line of the offer text");
  dialog.SetLowerLine("");
  EXPECT_EQ(dialog.windowTitle(), "Version 1.2 available");
  EXPECT_EQ(dialog.Label1->text(), "A much longer first line of the offer text");
  EXPECT_GE(dialog.Label1->width(), dialog.Label1->sizeHint().width());
  EXPECT_EQ(dialog.Label1->pos(), QPoint(8, 16));
}

TEST(Yesorno, OnlyLoadUpdateIsYes) {
  TYesorno dialog;
  EXPECT_TRUE(RunWhileShown(dialog, [&] { dialog.Button2->click(); }));
  EXPECT_FALSE(RunWhileShown(dialog, [&] { dialog.Button1->click(); }));
  EXPECT_FALSE(RunWhileShown(dialog, [&] { dialog.close(); }));
  // Escape leaves it open; Enter presses the focused button, which is "No thanks" again.
  EXPECT_FALSE(RunWhileShown(dialog, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }));
  EXPECT_TRUE(RunWhileShown(dialog, [&] {
    dialog.Button2->setFocus();
    QTest::keyClick(dialog.Button2, Qt::Key_Return);
  }));
}

}  // namespace
}  // namespace brumel
