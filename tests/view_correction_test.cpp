// The view of a picture at a scale, as it is and corrected: its pixels against the full-size
// correction's at their sources, at the picture's borders, beyond them, and for tiny pictures.
#include "correct/view_correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "correct/correct_bitmap.h"
#include "correct/levels.h"
#include "correction_test_support.h"
#include "platform/error.h"

namespace brumel {
namespace {

bool SamePixel(const Bitmap& a, int ax, int ay, const Bitmap& b, int bx, int by) {
  return std::memcmp(a.ScanLine(ay) + 3 * ax, b.ScanLine(by) + 3 * bx, 3) == 0;
}

bool IsWhite(const Bitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

CorrectionSettings RandomSettings(std::mt19937& random) {
  CorrectionSettings settings = SettingsFromPositions(testing::RandomPositions(random));
  const auto channel = [&] {
    const int black = std::uniform_int_distribution<int>(0, 100)(random);
    const int white = std::uniform_int_distribution<int>(150, 255)(random);
    const int gamma = std::uniform_int_distribution<int>(50, 300)(random);
    return ChannelLevels{black, white, gamma};
  };
  settings.levels = {channel(), channel(), channel()};
  return settings;
}

Bitmap Corrected(const Bitmap& picture, const CorrectionSettings& settings) {
  Bitmap full(picture.Width(), picture.Height());
  CorrectBitmap(picture, full, settings);
  return full;
}

// Every view pixel on the picture shows, before and after, the pixel at its source position;
// every other keeps the white it started with.
void ExpectViewsShowSources(const Bitmap& picture, const CorrectionSettings& settings,
                            const ViewPlacement& placement, int width, int height) {
  const Bitmap full = Corrected(picture, settings);
  Bitmap before(width, height), after(width, height);
  SampleView(picture, placement, before);
  CorrectView(picture, settings, placement, after);
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) {
      const double sx = std::floor(placement.left + (i + 0.5) / placement.scale);
      const double sy = std::floor(placement.top + (j + 0.5) / placement.scale);
      SCOPED_TRACE("view pixel " + std::to_string(i) + ", " + std::to_string(j));
      if (sx < 0 || sy < 0 || sx >= picture.Width() || sy >= picture.Height()) {
        ASSERT_TRUE(IsWhite(before, i, j));
        ASSERT_TRUE(IsWhite(after, i, j));
        continue;
      }
      const int x = static_cast<int>(sx), y = static_cast<int>(sy);
      ASSERT_TRUE(SamePixel(before, i, j, picture, x, y));
      ASSERT_TRUE(SamePixel(after, i, j, full, x, y));
    }
}

TEST(ViewCorrection, AtScaleOneEqualsTheCropOfTheFullCorrection) {
  std::mt19937 random(24);
  const Bitmap picture = testing::RandomBitmap(301, 200, random);
  struct Crop {
    int left, top, width, height;
  };
  // Inside, touching each border, and the whole picture.
  const Crop crops[] = {{40, 30, 120, 80}, {0, 0, 50, 40},   {251, 160, 50, 40},
                        {0, 120, 301, 80}, {0, 0, 301, 200}, {300, 199, 1, 1}};
  for (int round = 0; round < 4; ++round) {
    const CorrectionSettings settings = RandomSettings(random);
    const Bitmap full = Corrected(picture, settings);
    for (const Crop& c : crops) {
      SCOPED_TRACE("crop at " + std::to_string(c.left) + ", " + std::to_string(c.top));
      Bitmap view(c.width, c.height);
      CorrectView(picture, settings, {double(c.left), double(c.top), 1}, view);
      for (int j = 0; j < c.height; ++j)
        ASSERT_EQ(std::memcmp(view.ScanLine(j), full.ScanLine(c.top + j) + 3 * c.left,
                              3 * static_cast<std::size_t>(c.width)),
                  0)
            << "row " << j;
    }
  }
}

TEST(ViewCorrection, AtAnyScaleEachPixelIsTheFullCorrectionAtItsSource) {
  std::mt19937 random(7);
  const Bitmap picture = testing::RandomBitmap(257, 171, random);
  // Reduced to fit, reduced off-centre, enlarged, enlarged at a fraction of a pixel.
  const ViewPlacement placements[] = {
      {0, 0, 0.2}, {13.5, 7.25, 0.37}, {100, 60, 2}, {200.3, 150.6, 3.7}, {0.5, 0.5, 1}};
  for (const ViewPlacement& p : placements) {
    SCOPED_TRACE("scale " + std::to_string(p.scale));
    ExpectViewsShowSources(picture, RandomSettings(random), p, 90, 60);
  }
}

// A view of this size is corrected in bands on several threads; enlarged, a band may start on a
// source row that the band above shows too.
TEST(ViewCorrection, LargeViewsInBandsMatchToo) {
  std::mt19937 random(11);
  const Bitmap picture = testing::RandomBitmap(700, 500, random);
  const CorrectionSettings settings = RandomSettings(random);
  ExpectViewsShowSources(picture, settings, {-20, -10, 1}, 740, 520);
  ExpectViewsShowSources(picture, settings, {100.5, 50, 3}, 600, 600);
}

TEST(ViewCorrection, ViewLargerThanThePictureOrBesideItLeavesTheRestAlone) {
  std::mt19937 random(3);
  const Bitmap picture = testing::RandomBitmap(40, 30, random);
  const CorrectionSettings settings = RandomSettings(random);
  ExpectViewsShowSources(picture, settings, {-10, -5, 1}, 70, 50);       // the picture inside
  ExpectViewsShowSources(picture, settings, {-20, -12.5, 2}, 150, 110);  // enlarged inside
  ExpectViewsShowSources(picture, settings, {30, 20, 0.5}, 40, 40);      // the lower right corner
  ExpectViewsShowSources(picture, settings, {-100, 0, 1}, 50, 20);       // wholly beside it
  ExpectViewsShowSources(picture, settings, {0, 1e300, 1}, 10, 10);      // far beyond it
}

TEST(ViewCorrection, OnePixelPictures) {
  std::mt19937 random(1);
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    const Bitmap picture = testing::RandomBitmap(w, h, random);
    ExpectViewsShowSources(picture, RandomSettings(random), {0, 0, 5}, 12, 12);
    ExpectViewsShowSources(picture, RandomSettings(random), {-2, -3, 0.7}, 12, 12);
  }
}

// A gamma the fast pass's last step does not cover takes the direct formula, as the full pass.
TEST(ViewCorrection, GammaBeyondTheThresholdsStillMatches) {
  std::mt19937 random(5);
  const Bitmap picture = testing::RandomBitmap(64, 48, random);
  CorrectionSettings settings = SettingsFromPositions({});
  for (const double gamma : {0.1, 4.5}) {
    settings.Gamma = gamma;
    ExpectViewsShowSources(picture, settings, {3, 2, 1.5}, 50, 40);
  }
}

TEST(ViewCorrection, RefusesWhatItCannotShow) {
  const Bitmap picture(10, 10);
  Bitmap view(5, 5);
  const CorrectionSettings settings;
  for (const double scale : {0.0, -1.0, double(NAN), double(INFINITY)})
    EXPECT_THROW(CorrectView(picture, settings, {0, 0, scale}, view), Error);
  EXPECT_THROW(SampleView(picture, {NAN, 0, 1}, view), Error);
  Bitmap palette(5, 5, PixelFormat::Bits8);
  EXPECT_THROW(SampleView(picture, {0, 0, 1}, palette), Error);
  EXPECT_THROW(CorrectView(Bitmap(4, 4, PixelFormat::Bits32), settings, {0, 0, 1}, view), Error);
}

}  // namespace
}  // namespace brumel
