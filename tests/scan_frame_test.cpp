// The scan's frame on pictures drawn here: frames of the lid's black or white on some sides, a
// print's yellowed paper border, and dark or light runs too wide for a frame.
#include "restore/scan_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "platform/bitmap.h"

namespace brumel {
namespace {

constexpr int kSide = 200;
constexpr std::array<std::uint8_t, 3> kMidGrey{120, 110, 100};

// A mid-toned picture with a band of `band` pixels in colour `rgb` along the given sides
// (top, bottom, left, right).
Bitmap Banded(int band, std::array<std::uint8_t, 3> rgb, std::array<bool, 4> sides) {
  Bitmap picture(kSide, kSide);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const bool inBand = (sides[0] && y < band) || (sides[1] && y >= kSide - band) ||
                          (sides[2] && x < band) || (sides[3] && x >= kSide - band);
      const auto& colour = inBand ? rgb : kMidGrey;
      for (int c = 0; c < 3; ++c) picture.ScanLine(y)[3 * x + 2 - c] = colour[c];
    }
  return picture;
}

TEST(ScanFrame, LeavesOutALidsFrameAndKeepsThePicturesCentre) {
  const ReducedView full = MakeReducedView(Banded(0, kMidGrey, {}), 100);
  for (const std::array<std::uint8_t, 3> lid :
       {std::array<std::uint8_t, 3>{8, 8, 10}, std::array<std::uint8_t, 3>{250, 250, 248}}) {
    const ReducedView left =
        WithoutScanFrame(MakeReducedView(Banded(10, lid, {false, false, true, false}), 100));
    // Five view lines of the lid, and the one that means the lid and the picture.
    EXPECT_EQ(left.width, full.width - 6);
    EXPECT_EQ(left.height, full.height);
    EXPECT_DOUBLE_EQ(left.centreX, full.centreX - 6);
  }
}

TEST(ScanFrame, LeavesOutTheWedgesOfAPrintLaidAskew) {
  // A mid-toned print turned by 2 degrees on a black lid, its corners touching the edges.
  const double turn = 2 * std::acos(-1.0) / 180, c = std::cos(turn), s = std::sin(turn);
  const double centre = kSide / 2.0, half = centre / (c + s);
  Bitmap picture(kSide, kSide);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
      const bool print = std::abs(c * dx + s * dy) <= half && std::abs(c * dy - s * dx) <= half;
      for (int k = 0; k < 3; ++k) picture.ScanLine(y)[3 * x + 2 - k] = print ? kMidGrey[k] : 4;
    }
  const ReducedView view = MakeReducedView(picture, 100);
  const auto blackShare = [](const ReducedView& v) {
    double black = 0;
    for (const auto& pixel : v.light) black += pixel[1] < 0.02;
    return black / static_cast<double>(v.light.size());
  };
  ASSERT_GT(blackShare(view), 0.05);
  // Less of the lid is left than the darkest half per cent the shadows are read from.
  EXPECT_LT(blackShare(WithoutScanFrame(view)), 0.005);
}

TEST(ScanFrame, KeepsTheScenesOwnEdgesAndAPrintsPaper) {
  const auto kept = [](const Bitmap& picture) {
    const ReducedView view = MakeReducedView(picture, 100);
    const ReducedView inside = WithoutScanFrame(view);
    return inside.width == view.width && inside.height == view.height;
  };
  // A night sky over the top third, and a black backdrop wider than a frame on the left.
  EXPECT_TRUE(kept(Banded(70, {4, 4, 6}, {true, false, false, false})));
  EXPECT_TRUE(kept(Banded(40, {4, 4, 6}, {false, false, true, false})));
  // An overcast sky as wide.
  EXPECT_TRUE(kept(Banded(70, {245, 245, 245}, {true, false, false, false})));
  // A yellowed print's paper border shows the stain the estimate reads.
  EXPECT_TRUE(kept(Banded(10, {240, 228, 190}, {true, true, true, true})));
  // Dark shadows that are a print's, not a lid's.
  EXPECT_TRUE(kept(Banded(10, {60, 60, 60}, {true, true, true, true})));
  // A picture that is all frame is left whole rather than emptied.
  EXPECT_TRUE(kept(Banded(kSide, {0, 0, 0}, {true, true, true, true})));
}

}  // namespace
}  // namespace brumel
