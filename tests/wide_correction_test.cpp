// The correction of 48-bit pictures: every sample within one unit of the correction's formula
// with 65535 for 255, computed here on its own in double precision, whatever the pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "correct/correct_bitmap.h"
#include "restore/estimate_restoration.h"
#include "correct/fast_correction.h"
#include "correct/wide_sample_lookup.h"
#include "correction_test_support.h"
#include "platform/error.h"

namespace brumel {
namespace {

using testing::RandomLevels;
using testing::RandomPositions;

Bitmap RandomWideBitmap(int width, int height, std::mt19937& random) {
  Bitmap bitmap(width, height, PixelFormat::Bits48);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i)
      bitmap.SampleLine<std::uint16_t>(y)[i] = static_cast<std::uint16_t>(random());
  return bitmap;
}

// The levels, the linear light, the cross-over, the gain and back, written out from their
// definitions with std::pow: black and white points as fractions b / 255 and w / 255.
double ExpectedSample(std::uint16_t c, const ChannelLevels& levels, double cross,
                      const CorrectionSettings& s, double gain) {
  const double x = std::clamp(
      (c / 65535.0 - levels.black / 255.0) / ((levels.white - levels.black) / 255.0), 0.0, 1.0);
  const double levelled = std::nearbyint(65535 * std::pow(x, 100.0 / levels.gamma));
  const double light = std::pow(levelled / 65535, s.Gamma);
  const double midLevel = std::pow(0.5, s.Gamma);
  const double crossed = ((light - midLevel) * cross + light) * gain;
  if (!(crossed > 0)) return 0;
  return std::min(65535.0, std::nearbyint(65535 * std::pow(crossed, 1 / s.Gamma)));
}

// The largest distance of any sample of corrected from the formula.
double LargestDeviation(const Bitmap& source, const Bitmap& corrected,
                        const CorrectionSettings& s) {
  const int cx = source.Width() / 2, cy = source.Height() / 2;
  const double farthest = FarthestDistance(cx, cy);
  const ChannelLevels* levels[3] = {&s.levels.blue, &s.levels.green, &s.levels.red};
  const double cross[3] = {s.CrossBlue, s.CrossGreen, s.CrossRed};
  double largest = 0;
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const double gain = PixelGain(s, NormalisedDistance(x, y, cx, cy, farthest));
      for (int k = 0; k < 3; ++k) {
        const std::uint16_t in = source.SampleLine<std::uint16_t>(y)[3 * x + k];
        const std::uint16_t out = corrected.SampleLine<std::uint16_t>(y)[3 * x + k];
        largest =
            std::max(largest, std::fabs(out - ExpectedSample(in, *levels[k], cross[k], s, gain)));
      }
    }
  return largest;
}

TEST(WideSampleLookup, WithinAUnitOfTheRootAcrossEveryGammaAndLight) {
  std::mt19937 random(48);
  std::uniform_real_distribution<double> exponent(-60, 0.2);
  for (double gamma : {0.5, 1.0, 1.37, 1.8, 2.2, 3.0, 4.0}) {
    const WideSampleLookup lookup = *WideSampleLookup::ForGamma(gamma);
    int differing = 0;
    for (int i = 0; i < 200000; ++i) {
      const double light = std::exp2(exponent(random));
      const int exact = SampleFromLight<std::uint16_t>(light, gamma);
      const int got = lookup.Sample(light);
      ASSERT_LE(std::abs(got - exact), 1) << gamma << " " << light;
      differing += got != exact;
    }
    // Off by one only where the formula lies within a hair of a half.
    EXPECT_LT(differing, 200) << gamma;
    // Near the sample steps, k - 0.5 and k + 0.5 of full scale: the pieces stray by at most a
    // quarter of a sample.
    for (int k = 1; k < 65535; k += 97) {
      ASSERT_EQ(lookup.Sample(std::pow((k - 0.2) / 65535, gamma)), k) << gamma;
      ASSERT_EQ(lookup.Sample(std::pow((k + 0.2) / 65535, gamma)), k) << gamma;
    }
    for (double light : {0.0, -1.0, 1e-300, std::numeric_limits<double>::quiet_NaN(),
                         -std::numeric_limits<double>::infinity()})
      EXPECT_EQ(lookup.Sample(light), 0) << gamma << " " << light;
    for (double light : {1.0, 1.5, 1e300, std::numeric_limits<double>::infinity()})
      EXPECT_EQ(lookup.Sample(light), 65535) << gamma << " " << light;
  }
  for (double gamma : {0.4, 4.1, 0.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_FALSE(WideSampleLookup::ForGamma(gamma)) << gamma;
}

TEST(WideCorrection, EveryPassWithinAUnitOfTheFormulaWithLevels) {
  std::mt19937 random(4816);
  for (int i = 0; i < 150; ++i) {
    CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
    if (i % 3 != 0) s.levels = RandomLevels(random);
    const int width = 1 + static_cast<int>(random() % 70);
    const int height = 1 + static_cast<int>(random() % 50);
    const Bitmap source = RandomWideBitmap(width, height, random);
    Bitmap fast(width, height, PixelFormat::Bits48), reference(width, height, PixelFormat::Bits48);
    ASSERT_TRUE(CorrectBitmapFast(source, fast, s, 1 + static_cast<int>(random() % 3)));
    CorrectBitmapReference(source, reference, s);
    ASSERT_LE(LargestDeviation(source, fast, s), 1) << "case " << i;
    ASSERT_LE(LargestDeviation(source, reference, s), 1) << "case " << i;
  }
}

TEST(WideCorrection, InPlaceOnManyThreadsAndOutsideTheLookupsGammas) {
  std::mt19937 random(17);
  CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
  s.levels = RandomLevels(random);
  const Bitmap source = RandomWideBitmap(700, 400, random);
  Bitmap corrected = source;
  CorrectBitmap(corrected, corrected, s);
  EXPECT_LE(LargestDeviation(source, corrected, s), 1);
  // A gamma no lookup covers is corrected by the direct formula.
  s.Gamma = 4.5;
  EXPECT_FALSE(CorrectBitmapFast(source, corrected, s, 2));
  corrected = source;
  CorrectBitmap(corrected, corrected, s);
  EXPECT_LE(LargestDeviation(source, corrected, s), 1);
}

// A byte picture widened, corrected at 16 bits and narrowed again comes within a step of the
// 8-bit pass: the depths differ only in the fineness of their samples.
TEST(WideCorrection, AWidenedPictureAgreesWithTheBytePass) {
  std::mt19937 random(8);
  for (int i = 0; i < 20; ++i) {
    CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
    s.levels = RandomLevels(random);
    const Bitmap bytes = testing::RandomBitmap(31, 23, random);
    Bitmap wide = bytes;
    wide.SetPixelFormat(PixelFormat::Bits48);
    Bitmap narrow = bytes;
    CorrectBitmap(narrow, narrow, s);
    CorrectBitmap(wide, wide, s);
    wide.SetPixelFormat(PixelFormat::Bits24);
    for (int y = 0; y < 23; ++y)
      for (int k = 0; k < 3 * 31; ++k) {
        // A levels step of a byte can round the other way from its finer twin, and the
        // correction can stretch that step: allow what the steepest setting makes of one step.
        ASSERT_NEAR(wide.ScanLine(y)[k], narrow.ScanLine(y)[k], 12) << i << " " << y << " " << k;
      }
  }
}

TEST(WideCorrection, PassesRefuseMixedFormats) {
  const CorrectionSettings s;
  Bitmap wide(4, 4, PixelFormat::Bits48), bytes(4, 4);
  EXPECT_THROW(CorrectBitmap(wide, bytes, s), Error);
  EXPECT_THROW(CorrectBitmap(bytes, wide, s), Error);
  EXPECT_THROW(CorrectBitmapReference(wide, bytes, s), Error);
}

// The estimator sees a 48-bit picture as its 8-bit twin.
TEST(WideCorrection, EstimatedAsTheSamePictureInBytes) {
  std::mt19937 random(3);
  Bitmap bytes(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      std::uint8_t* pixel = bytes.ScanLine(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(90 + x / 3 + random() % 8);
      pixel[1] = static_cast<std::uint8_t>(70 + y / 2 + random() % 8);
      pixel[2] = static_cast<std::uint8_t>(60 + (x + y) / 4);
    }
  Bitmap wide = bytes;
  wide.SetPixelFormat(PixelFormat::Bits48);
  const HeldSettings held;
  EXPECT_EQ(SettingsFor(EstimateRestoration(wide, held)).levels,
            SettingsFor(EstimateRestoration(bytes, held)).levels);
}

}  // namespace
}  // namespace brumel
