// The Compare window on Qt's offscreen platform: its caption, fitting and 100 %, the divider
// between the original and the correction as drawn, the redraw after new settings, zooming about
// the cursor and panning by dragging, the key B, and the words Before and After.
#include "gui/compare_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <cstring>
#include <random>

#include "correct/view_correction.h"
#include "correction_test_support.h"

namespace brumel {
namespace {

constexpr int kPictureWidth = 900, kPictureHeight = 600;

CorrectionSettings Settings(int red) {
  ControlPositions positions;
  positions.red = red;
  positions.corner = 160;
  return SettingsFromPositions(positions);
}

class CompareWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(24);
    picture_ = testing::RandomBitmap(kPictureWidth, kPictureHeight, random);
    window_.resize(640, 480);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    window_.Show(picture_, "/some/folder/faded print.jpg");
    window_.SetSettings(Settings(70));
  }

  CompareView& View() { return *window_.View(); }

  // What the view draws, as the window system would show it.
  QImage Drawn() { return View().grab().toImage().convertToFormat(QImage::Format_RGB32); }

  // The view's pixels before or after the correction, computed here from the placement.
  QImage Expected(bool corrected, const CorrectionSettings& settings) {
    Bitmap view(View().width(), View().height());
    if (corrected)
      CorrectView(picture_, settings, View().Placement(), view);
    else
      SampleView(picture_, View().Placement(), view);
    QImage image(view.Width(), view.Height(), QImage::Format_RGB32);
    for (int y = 0; y < view.Height(); ++y)
      for (int x = 0; x < view.Width(); ++x) {
        const std::uint8_t* p = view.ScanLine(y) + 3 * x;
        image.setPixel(x, y, qRgb(p[2], p[1], p[0]));
      }
    return image;
  }

  // Where the picture lies in the view, less a margin for the divider's line and knob.
  bool OnPicture(int x, int y) {
    const ViewPlacement& p = View().Placement();
    const double sx = p.left + (x + 0.5) / p.scale, sy = p.top + (y + 0.5) / p.scale;
    return sx >= 0 && sy >= 0 && sx < kPictureWidth && sy < kPictureHeight &&
           std::abs(x - View().DividerX()) > 12;
  }

  // How many drawn pixels of the picture on each side of the divider differ from the expected.
  struct Mismatches {
    int left = 0, right = 0, compared = 0;
  };
  Mismatches Compare(const QImage& drawn, const QImage& left, const QImage& right) {
    Mismatches m;
    for (int y = 0; y < drawn.height(); y += 3)
      for (int x = 0; x < drawn.width(); x += 3) {
        if (!OnPicture(x, y)) continue;
        ++m.compared;
        const bool onLeft = x < View().DividerX();
        const QImage& expected = onLeft ? left : right;
        if (drawn.pixel(x, y) != expected.pixel(x, y)) ++(onLeft ? m.left : m.right);
      }
    return m;
  }

  void Mouse(QEvent::Type type, QPointF at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, View().mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&View(), &event);
  }
  void Drag(QPointF from, QPointF to) {
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
  }

  // The view with the words over it, as the window shows it.
  QImage Shown() {
    return window_.grab(View().geometry()).toImage().convertToFormat(QImage::Format_RGB32);
  }
  void Key(QEvent::Type type, bool repeated) {
    QKeyEvent event(type, Qt::Key_B, Qt::NoModifier, "b", repeated);
    QApplication::sendEvent(&window_, &event);
  }

  Bitmap picture_;
  CompareWindow window_;
};

// One colour all over.
Bitmap Plain(std::uint8_t level) {
  Bitmap bitmap(kPictureWidth, kPictureHeight);
  for (int y = 0; y < kPictureHeight; ++y) std::memset(bitmap.ScanLine(y), level, bitmap.Stride());
  return bitmap;
}

int Lightness(QRgb pixel) {
  return qGray(pixel);
}

TEST_F(CompareWindowTest, CaptionNamesTheFileWithoutItsFolder) {
  EXPECT_EQ(window_.windowTitle().toStdString(), "Compare - faded print.jpg");
  window_.Show(picture_, "other.png");
  EXPECT_EQ(window_.windowTitle().toStdString(), "Compare - other.png");
}

TEST_F(CompareWindowTest, FitsAtFirstAndShowsFullSizeOnOneAndFitsAgainOnF) {
  const double fit =
      std::min(double(View().width()) / kPictureWidth, double(View().height()) / kPictureHeight);
  EXPECT_TRUE(View().Fitted());
  EXPECT_DOUBLE_EQ(View().Placement().scale, fit);
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  QTest::keyClick(&window_, Qt::Key_1);
  EXPECT_DOUBLE_EQ(View().Placement().scale, 1);
  EXPECT_FALSE(View().Fitted());
  // At 100 % the middle of the picture is at the middle of the view.
  EXPECT_NEAR(View().Placement().left + View().width() / 2.0, kPictureWidth / 2.0, 1);
  QTest::keyClick(&window_, Qt::Key_F);
  EXPECT_DOUBLE_EQ(View().Placement().scale, fit);
  // Fitted, the window's new size is fitted again.
  window_.resize(800, 700);
  EXPECT_DOUBLE_EQ(View().Placement().scale, std::min(double(View().width()) / kPictureWidth,
                                                      double(View().height()) / kPictureHeight));
}

TEST_F(CompareWindowTest, DividerShowsTheOriginalLeftAndTheCorrectionRight) {
  for (const bool fullSize : {false, true}) {
    SCOPED_TRACE(fullSize ? "100 %" : "fitted");
    if (fullSize) window_.FullSizeAction()->trigger();
    const QImage before = Expected(false, {}), after = Expected(true, Settings(70));
    ASSERT_NE(before, after);
    const Mismatches m = Compare(Drawn(), before, after);
    EXPECT_GT(m.compared, 1000);
    EXPECT_EQ(m.left, 0);
    EXPECT_EQ(m.right, 0);
  }
  // Dragged to the right, the divider shows more of the original.
  const int middle = View().DividerX();
  Drag(QPointF(middle + 2, 100), QPointF(middle + 150, 120));
  EXPECT_EQ(View().DividerX(), middle + 150);
  const Mismatches m = Compare(Drawn(), Expected(false, {}), Expected(true, Settings(70)));
  EXPECT_EQ(m.left + m.right, 0);
}

TEST_F(CompareWindowTest, NewSettingsRedrawTheCorrectionAndNotTheOriginal) {
  const QImage before = Drawn();
  window_.SetSettings(Settings(20));
  const QImage after = Drawn();
  EXPECT_NE(before, after);
  const Mismatches m = Compare(after, Expected(false, {}), Expected(true, Settings(20)));
  EXPECT_EQ(m.left, 0);
  EXPECT_EQ(m.right, 0);
}

TEST_F(CompareWindowTest, DraggingPansAndTheWheelZoomsAboutTheCursor) {
  window_.FullSizeAction()->trigger();
  const ViewPlacement start = View().Placement();
  Drag(QPointF(60, 300), QPointF(20, 280));  // away from the divider
  EXPECT_DOUBLE_EQ(View().Placement().left, start.left + 40);
  EXPECT_DOUBLE_EQ(View().Placement().top, start.top + 20);
  EXPECT_EQ(Compare(Drawn(), Expected(false, {}), Expected(true, Settings(70))).left, 0);

  // The picture point under the cursor stays under it.
  const QPointF cursor(100, 150);
  const auto pointUnder = [&] {
    const ViewPlacement& p = View().Placement();
    return QPointF(p.left + cursor.x() / p.scale, p.top + cursor.y() / p.scale);
  };
  const QPointF point = pointUnder();
  QWheelEvent wheel(cursor, View().mapToGlobal(cursor), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&View(), &wheel);
  EXPECT_DOUBLE_EQ(View().Placement().scale, CompareView::kWheelZoom);
  EXPECT_NEAR(pointUnder().x(), point.x(), 1e-9);
  EXPECT_NEAR(pointUnder().y(), point.y(), 1e-9);
  EXPECT_EQ(Compare(Drawn(), Expected(false, {}), Expected(true, Settings(70))).right, 0);

  // Panned far beyond the picture, its edge stops at the view's edge.
  Drag(QPointF(60, 300), QPointF(5000, 300));
  EXPECT_DOUBLE_EQ(View().Placement().left, 0);
}

// At 100 %, where the picture fills the view, so that every pixel is the picture's.
TEST_F(CompareWindowTest, HoldingBShowsTheWholeOriginalAndLettingGoTheWholeCorrection) {
  window_.FullSizeAction()->trigger();
  const QImage before = Expected(false, {}), after = Expected(true, Settings(70));
  Key(QEvent::KeyPress, false);
  EXPECT_EQ(Drawn(), before);
  // A held key repeats; the repeats change nothing.
  Key(QEvent::KeyRelease, true);
  Key(QEvent::KeyPress, true);
  EXPECT_EQ(Drawn(), before);
  Key(QEvent::KeyRelease, false);
  EXPECT_EQ(View().DividerX(), 0);
  const Mismatches m = Compare(Drawn(), before, after);
  EXPECT_GT(m.compared, 10000);
  EXPECT_EQ(m.left + m.right, 0);
  // Again, after the divider was dragged back; and B let go in another window is let go here.
  Drag(QPointF(2, 100), QPointF(300, 100));
  Key(QEvent::KeyPress, false);
  EXPECT_EQ(Drawn(), before);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
  EXPECT_FALSE(View().HoldingBefore());
  EXPECT_EQ(Compare(Drawn(), before, after).right, 0);
}

// The words lie in the picture's top corners, each on its side of the split, over a layer that
// leaves the rest of the view as it is; on white paper and on black each word is light on dark.
TEST_F(CompareWindowTest, BeforeAndAfterStandAtThePicturesTopOnTheirSidesOnLightAndDark) {
  const CompareLabels& labels = *window_.Labels();
  for (const std::uint8_t level : {255, 0}) {
    SCOPED_TRACE(level);
    window_.Show(Plain(level), "plain.png");
    const QRect picture = View().PictureArea(), before = labels.BeforeShown(),
                after = labels.AfterShown();
    ASSERT_FALSE(before.isEmpty());
    ASSERT_FALSE(after.isEmpty());
    EXPECT_LT(before.right(), View().DividerX() - 20);
    EXPECT_GT(after.left(), View().DividerX() + 20);
    EXPECT_EQ(before.top(), after.top());
    EXPECT_GT(before.top(), picture.top());
    EXPECT_LT(before.top(), picture.top() + 20);
    const QImage shown = Shown(), drawn = Drawn();
    for (const QRect& word : {before, after}) {
      int darkest = 255, lightest = 0;
      for (int y = word.top(); y <= word.bottom(); ++y)
        for (int x = word.left(); x <= word.right(); ++x) {
          darkest = std::min(darkest, Lightness(shown.pixel(x, y)));
          lightest = std::max(lightest, Lightness(shown.pixel(x, y)));
        }
      EXPECT_LT(darkest, 90);
      EXPECT_GT(lightest, 200);
    }
    int changed = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        changed += shown.pixel(x, y) != drawn.pixel(x, y) && !before.contains(x, y) &&
                   !after.contains(x, y);
    EXPECT_EQ(changed, 0);
  }
  // The whole original says Before alone, the whole correction After alone.
  Key(QEvent::KeyPress, false);
  EXPECT_FALSE(labels.BeforeShown().isEmpty());
  EXPECT_TRUE(labels.AfterShown().isEmpty());
  Key(QEvent::KeyRelease, false);
  EXPECT_TRUE(labels.BeforeShown().isEmpty());
  EXPECT_FALSE(labels.AfterShown().isEmpty());
}

}  // namespace
}  // namespace brumel
