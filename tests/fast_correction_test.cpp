// The fast correction pass against the direct reference, byte for byte: the step lookup of the
// last step on every gamma the controls can set, and whole passes over seeded random settings,
// sizes and thread counts.
#include "correct/fast_correction.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "correct/correct_bitmap.h"
#include "correct/levels.h"
#include "correct/sample_thresholds.h"
#include "correction_test_support.h"
#include "platform/error.h"

namespace brumel {
namespace {

using testing::RandomBitmap;
using testing::RandomLevels;
using testing::RandomPositions;
using testing::SameBytes;

// Corrects a copy of the source with each pass, in place or into a destination of the given size
// (pre-filled with the same noise for both), and reports whether every byte agrees.
::testing::AssertionResult FastEqualsReference(const Bitmap& source, const CorrectionSettings& s,
                                               bool inPlace, int threads, const Bitmap& target) {
  Bitmap reference = inPlace ? source : target, fast = reference;
  CorrectBitmapReference(inPlace ? reference : source, reference, s);
  if (!CorrectBitmapFast(inPlace ? fast : source, fast, s, threads))
    return ::testing::AssertionFailure() << "no fast pass for gamma " << s.Gamma;
  if (SameBytes(reference, fast)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << source.Width() << " x " << source.Height() << " curve " << s.Curve << " gamma "
         << s.Gamma << " span " << s.CurveSpan << " centre " << s.CentreLevel << " cross "
         << s.CrossBlue << "/" << s.CrossGreen << "/" << s.CrossRed << (inPlace ? " in place" : "")
         << ", " << threads << " threads";
}

TEST(SampleThresholds, EveryControlGammaFitsAndFlatBetweenBands) {
  std::mt19937 random(21);
  for (int position = kGammaBar.minimum; position <= kGammaBar.maximum; ++position) {
    const double gamma = GammaFromPosition(position);
    const std::optional<SampleThresholds> thresholds = SampleThresholds::ForGamma(gamma);
    ASSERT_TRUE(thresholds) << gamma;
    // Between band k and band k + 1 the direct formula must give k throughout, ends included:
    // that is what lets the lookup skip it there.
    for (int k = 0; k <= 255; ++k) {
      const double low =
          k == 0 ? std::numeric_limits<double>::denorm_min() : thresholds->BandHigh(k);
      const double high = k == 255 ? 8.0 : thresholds->BandLow(k + 1);
      const double last = std::nextafter(high, 0.0);
      ASSERT_EQ(SampleFromLight(low, gamma), k) << gamma;
      ASSERT_EQ(SampleFromLight(last, gamma), k) << gamma;
      std::uniform_real_distribution<double> inside(low, high);
      for (int i = 0; i < 8; ++i) ASSERT_EQ(SampleFromLight(inside(random), gamma), k) << gamma;
    }
  }
}

TEST(SampleThresholds, EqualsTheDirectStepAroundEveryBandAndBeyondTheRange) {
  const double special[] = {0.0,
                            -0.0,
                            -1.0,
                            std::numeric_limits<double>::denorm_min(),
                            SampleThresholds::kLowest,
                            std::nextafter(SampleThresholds::kLowest, 0.0),
                            SampleThresholds::kHighest,
                            1.0,
                            6.0,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (int position = kGammaBar.minimum; position <= kGammaBar.maximum; position += 7) {
    const double gamma = GammaFromPosition(position);
    const SampleThresholds thresholds = *SampleThresholds::ForGamma(gamma);
    for (double light : special)
      ASSERT_EQ(thresholds.Sample(light), SampleFromLight(light, gamma)) << light;
    for (int k = 1; k <= 255; ++k) {
      // The band edges and their neighbours.
      for (double edge : {thresholds.BandLow(k), thresholds.BandHigh(k)}) {
        double light = edge;
        for (int i = 0; i < 4; ++i) light = std::nextafter(light, 0.0);
        for (int i = 0; i < 9; ++i, light = std::nextafter(light, 8.0))
          ASSERT_EQ(thresholds.Sample(light), SampleFromLight(light, gamma)) << gamma << " " << k;
      }
    }
    // Both sides of every bucket boundary of the table.
    for (std::uint64_t b = 0; b < SampleThresholds::kBucketCount; ++b) {
      const double start =
          std::bit_cast<double>((SampleThresholds::kFirstBucket + b) << SampleThresholds::kShift);
      const double before = std::nextafter(start, 0.0);
      ASSERT_EQ(thresholds.Sample(start), SampleFromLight(start, gamma)) << gamma << " " << b;
      ASSERT_EQ(thresholds.Sample(before), SampleFromLight(before, gamma)) << gamma << " " << b;
    }
  }
}

TEST(SampleThresholds, GammasBeyondTheControlsAreRefused) {
  for (double gamma : {0.2, 3.2, 0.0, -1.8, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_FALSE(SampleThresholds::ForGamma(gamma)) << gamma;
}

// Every sample value of every channel against every gain of a 41 x 29 picture, on every gamma.
TEST(FastCorrection, AllSamplesTimesAllGainsOfAPicture) {
  std::mt19937 random(8);
  for (int position = kGammaBar.minimum; position <= kGammaBar.maximum; ++position) {
    ControlPositions positions = RandomPositions(random);
    positions.gamma = position;
    const CorrectionSettings s = SettingsFromPositions(positions);
    const SampleThresholds thresholds = *SampleThresholds::ForGamma(s.Gamma);
    const double midLevel = Power(0.5, s.Gamma);
    std::set<double> gains;
    const double farthest = FarthestDistance(20, 14);
    for (int y = 0; y < 29; ++y)
      for (int x = 0; x < 41; ++x)
        gains.insert(PixelGain(s, NormalisedDistance(x, y, 20, 14, farthest)));
    for (double cross : {s.CrossBlue, s.CrossGreen, s.CrossRed})
      for (int c = 0; c < 256; ++c) {
        const auto sample = static_cast<std::uint8_t>(c);
        const double light = CrossOver(LinearLight(sample, s.Gamma), cross, midLevel);
        for (double gain : gains)
          ASSERT_EQ(thresholds.Sample(light * gain),
                    CorrectChannel(sample, cross, s.Gamma, midLevel, gain))
              << "gamma " << s.Gamma << " cross " << cross << " sample " << c << " gain " << gain;
      }
  }
}

TEST(FastCorrection, RandomSettingsSizesAndThreads) {
  std::mt19937 random(2024);
  for (int i = 0; i < 4000; ++i) {
    const CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
    // Mostly small pictures, with single rows, single columns and odd sizes among them.
    const int shape = static_cast<int>(random() % 8);
    const auto side = [&](int most) { return 1 + static_cast<int>(random() % most); };
    const int width = shape == 0 ? 1 : shape == 1 ? side(300) : side(40);
    const int height = shape == 2 ? 1 : shape == 3 ? side(300) : side(40);
    const Bitmap source = RandomBitmap(width, height, random);
    const bool inPlace = random() % 2 == 0;
    const Bitmap target = RandomBitmap(width + side(3) - 1, height + side(3) - 1, random);
    ASSERT_TRUE(FastEqualsReference(source, s, inPlace, side(4), target)) << "case " << i;
  }
}

TEST(FastCorrection, WidePicturesAndMoreThreadsThanRows) {
  std::mt19937 random(77);
  const Bitmap wide = RandomBitmap(4099, 3, random);
  const Bitmap tall = RandomBitmap(2, 1501, random);
  for (int curve = 0; curve < kCurveCount; ++curve) {
    ControlPositions positions = RandomPositions(random);
    positions.curve = curve;
    const CorrectionSettings s = SettingsFromPositions(positions);
    EXPECT_TRUE(FastEqualsReference(wide, s, false, 7, wide));
    EXPECT_TRUE(FastEqualsReference(tall, s, true, 3, tall));
  }
}

TEST(FastCorrection, ThreadsOnlyForLargePictures) {
  EXPECT_EQ(CorrectionThreadCount(200, 200), 1);
  EXPECT_EQ(CorrectionThreadCount(1, 200000), 1);
  EXPECT_GE(CorrectionThreadCount(6000, 4000), 1);
  // A picture large enough to be split the way the program splits it.
  std::mt19937 random(5);
  const Bitmap source = RandomBitmap(700, 401, random);
  const CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
  Bitmap reference(700, 401), fast(700, 401);
  CorrectBitmapReference(source, reference, s);
  CorrectBitmap(source, fast, s);
  EXPECT_TRUE(SameBytes(reference, fast));
}

TEST(FastCorrection, OtherGammasFallBackToTheReference) {
  std::mt19937 random(3);
  const Bitmap source = RandomBitmap(9, 6, random);
  for (double gamma : {0.2, 3.2}) {
    CorrectionSettings s = SettingsFromPositions({});
    s.Gamma = gamma;
    Bitmap untouched(9, 6), reference(9, 6), corrected(9, 6);
    EXPECT_FALSE(CorrectBitmapFast(source, untouched, s, 1));
    EXPECT_TRUE(SameBytes(untouched, Bitmap(9, 6)));
    CorrectBitmapReference(source, reference, s);
    CorrectBitmap(source, corrected, s);
    EXPECT_TRUE(SameBytes(reference, corrected)) << gamma;
  }
}

// The levels on their own, through their tables, into a copy of the picture.
Bitmap Levelled(const Bitmap& source, const Levels& levels) {
  const LevelsTables tables = MakeLevelsTables(levels);
  Bitmap result = source;
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < 3 * source.Width(); ++x)
      result.ScanLine(y)[x] = tables[x % 3][source.ScanLine(y)[x]];
  return result;
}

// Every pass with levels equals the levels taken first and then the direct pass without them.
TEST(FastCorrectionWithLevels, EqualsLevelsThenTheReference) {
  std::mt19937 random(14);
  for (int i = 0; i < 600; ++i) {
    CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
    s.levels = RandomLevels(random);
    CorrectionSettings identity = s;
    identity.levels = Levels{};
    const int width = 1 + static_cast<int>(random() % 60);
    const int height = 1 + static_cast<int>(random() % 60);
    const Bitmap source = RandomBitmap(width, height, random);
    Bitmap expected(width, height);
    CorrectBitmapReference(Levelled(source, s.levels), expected, identity);
    Bitmap fast(width, height), reference(width, height);
    ASSERT_TRUE(CorrectBitmapFast(source, fast, s, 1 + static_cast<int>(random() % 3)));
    CorrectBitmapReference(source, reference, s);
    ASSERT_TRUE(SameBytes(expected, fast)) << "case " << i;
    ASSERT_TRUE(SameBytes(expected, reference)) << "case " << i;
  }
}

TEST(FastCorrectionWithLevels, IdentityLevelsChangeNothingAndEveryPathHonoursLevels) {
  std::mt19937 random(15);
  const Bitmap source = RandomBitmap(23, 17, random);
  CorrectionSettings s = SettingsFromPositions(RandomPositions(random));
  Bitmap before(23, 17), after(23, 17);
  CorrectBitmap(source, before, s);
  s.levels = Levels{};
  CorrectBitmap(source, after, s);
  EXPECT_TRUE(SameBytes(before, after));
  // A gamma beyond the fast pass's lookup takes the direct pass, which honours the levels too.
  s.Gamma = 3.2;
  s.levels = RandomLevels(random);
  CorrectionSettings identity = s;
  identity.levels = Levels{};
  Bitmap expected(23, 17), corrected(23, 17);
  CorrectBitmapReference(Levelled(source, s.levels), expected, identity);
  CorrectBitmap(source, corrected, s);
  EXPECT_TRUE(SameBytes(expected, corrected));
}

TEST(FastCorrectionWithLevels, LevelsOutOfRangeAreRefusedBeforeAnyPixel) {
  std::mt19937 random(16);
  const Bitmap source = RandomBitmap(5, 4, random);
  CorrectionSettings s;
  s.levels.green = {30, 30, 100};
  Bitmap target(5, 4);
  EXPECT_THROW(CorrectBitmap(source, target, s), Error);
  EXPECT_TRUE(SameBytes(target, Bitmap(5, 4)));
}

}  // namespace
}  // namespace brumel
