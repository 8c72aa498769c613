// The curve graph, checked on the raster's pixels.
#include "correct/curve_graph.h"

#include <gtest/gtest.h>

#include <cmath>

namespace brumel {
namespace {

constexpr Color kRed{255, 0, 0};
constexpr Color kBlack{0, 0, 0};
constexpr Color kGreen{0, 128, 0};
constexpr Color kWhite{255, 255, 255};

Color At(const CurveGraph& graph, int x, int y) {
  const std::uint8_t* p = graph.Raster().ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

// The topmost red pixel of a column inside the frame, or -1.
int CurveRow(const CurveGraph& graph, int column) {
  for (int y = 1; y < CurveGraph::kHeight - 1; ++y)
    if (At(graph, column, y) == kRed) return y;
  return -1;
}

TEST(CurveGraphTest, StartUpCurveAndLevels) {
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 100, 100);
  EXPECT_EQ(settings.CornerLevel, 1.0);
  EXPECT_EQ(settings.CentreLevel, -0.5);
  EXPECT_EQ(settings.CurveSpan, 1.5);
  EXPECT_EQ(graph.Raster().Width(), 441);
  EXPECT_EQ(graph.Raster().Height(), 89);
  EXPECT_EQ(CurveRow(graph, 220), 67);
  EXPECT_EQ(CurveRow(graph, 221), 67);
  // The first segment runs down the left edge from the top-left corner.
  EXPECT_EQ(At(graph, 0, 0), kRed);
  // Rising back to row 0 at the right: the last drawn points are near the top.
  EXPECT_EQ(At(graph, 439, 1), kRed);
  // Axes: the zero line at row 44, the centre line at column 220.
  EXPECT_EQ(At(graph, 100, 44), kGreen);
  EXPECT_EQ(At(graph, 220, 10), kGreen);
  EXPECT_EQ(At(graph, 100, 45), kWhite);
}

TEST(CurveGraphTest, FrameIsBlackFirstAndRedAfter) {
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 100, 100);
  EXPECT_EQ(At(graph, 440, 88), kBlack);
  EXPECT_EQ(At(graph, 300, 88), kBlack);
  EXPECT_EQ(At(graph, 440, 20), kBlack);
  graph.Draw(settings, 100, 100);
  EXPECT_EQ(At(graph, 440, 88), kRed);
  EXPECT_EQ(At(graph, 300, 88), kRed);
  EXPECT_EQ(At(graph, 440, 20), kRed);
}

TEST(CurveGraphTest, LowestLevelsTouchTheBottomAndRow45) {
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 0, 0);
  EXPECT_EQ(settings.CentreLevel, -1.0);
  EXPECT_EQ(settings.CornerLevel, 0.0);
  // Edge points at row 45; the centre point at row 89, below the raster.
  EXPECT_EQ(At(graph, 1, 45), kRed);
  EXPECT_EQ(At(graph, 439, 45), kRed);
  // Near the centre the curve runs along the last row and dips out of the raster.
  EXPECT_EQ(At(graph, 216, 88), kRed);
  EXPECT_EQ(At(graph, 225, 88), kRed);
  for (int y = 45; y < 88; ++y) EXPECT_NE(At(graph, 220, y), kRed) << y;
  EXPECT_EQ(At(graph, 100, 44), kGreen) << "the zero line lies one row above the curve's 0";
}

TEST(CurveGraphTest, HighLevelsLeaveTheRasterAndAreClipped) {
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 200, 200);  // edge points at row -45
  for (int x = 1; x < 10; ++x) EXPECT_NE(CurveRow(graph, x), 40) << x;
  EXPECT_EQ(CurveRow(graph, 220), 44);
  settings.Curve = 4;
  graph.Draw(settings, 100, 100);  // "x^2+x": edge points at row -11
  EXPECT_EQ(CurveRow(graph, 1), -1);
  EXPECT_EQ(CurveRow(graph, 220), 56);
}

TEST(CurveGraphTest, MirrorSymmetricAboutTheCentre) {
  // Every curve point (m, row) is the start pixel of the next segment, so it is red; the point of
  // column m and that of column 441 - m lie on the same row.
  for (int curve = 0; curve < 5; ++curve) {
    CurveGraph graph;
    CorrectionSettings settings;
    settings.Curve = curve;
    graph.Draw(settings, 137, 61);
    for (int m = 1; m <= 220; ++m) {
      const double t = CurveValue(settings, 2.0 * m / 441 - 1);
      const int row = 89 - static_cast<int>(std::nearbyint((t + 1) * 89 / 2));
      if (row < 1 || row > 87) continue;
      EXPECT_EQ(At(graph, m, row), kRed) << kCurveNames[curve] << " " << m;
      EXPECT_EQ(At(graph, 441 - m, row), kRed) << kCurveNames[curve] << " " << 441 - m;
    }
  }
}

}  // namespace
}  // namespace brumel
