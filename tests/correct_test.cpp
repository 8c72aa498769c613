// The correction engine: settings from control positions, the tone curves, and the pass,
// checked against the worked values of the definition and an independent formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "correct/correct_bitmap.h"
#include "correct/correction_settings.h"
#include "platform/error.h"

namespace brumel {
namespace {

CorrectionSettings WithCurve(int curve) {
  ControlPositions positions;
  positions.curve = curve;
  return SettingsFromPositions(positions);
}

// The settings with gain 1 everywhere (Corner 0, Centre 200).
CorrectionSettings Neutral(int gammaPosition = 180) {
  ControlPositions positions;
  positions.corner = 0;
  positions.centre = 200;
  positions.gamma = gammaPosition;
  return SettingsFromPositions(positions);
}

Bitmap Filled(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = blue, p[1] = green, p[2] = red;
    }
  return bitmap;
}

// The gain a pixel gets, from the curve at normalised distance r.
std::uint8_t Corrected(std::uint8_t sample, const CorrectionSettings& s, double r, double cross) {
  const double gain = CurveValue(s, r) + 1;
  return CorrectChannel(sample, cross, s.Gamma, Power(0.5, s.Gamma), gain);
}

TEST(Settings, DerivedFromPositions) {
  CorrectionSettings s;
  RefreshCurveLevels(s, 100, 100);
  EXPECT_EQ(s.CentreLevel, -0.5);
  EXPECT_EQ(s.CornerLevel, 1.0);
  EXPECT_EQ(s.CurveSpan, 1.5);
  RefreshCurveLevels(s, 0, 200);
  EXPECT_EQ(s.CornerLevel, 0.0);
  EXPECT_EQ(s.CentreLevel, 0.0);
  EXPECT_EQ(s.CurveSpan, 0.0);
  RefreshCurveLevels(s, 200, 0);
  EXPECT_EQ(s.CurveSpan, 3.0);
  EXPECT_EQ(s.CentreLevel, -1.0);
  EXPECT_EQ(GammaFromPosition(180), 1.8);
  EXPECT_EQ(GammaFromPosition(123), 1.23);
  EXPECT_EQ(CrossFromPosition(0), (0 - 50) * 0.01);
  EXPECT_EQ(CrossFromPosition(75), 25 * 0.01);
  EXPECT_EQ(CrossFromPosition(50), 0.0);
  const CorrectionSettings start = SettingsFromPositions({});
  EXPECT_EQ(start.Gamma, 1.8);
  EXPECT_EQ(start.CurveSpan, 1.5);
}

TEST(Settings, ControlRangesAreDeclaredOnce) {
  EXPECT_EQ(kCornerBar.minimum, 0);
  EXPECT_EQ(kCornerBar.maximum, 200);
  EXPECT_EQ(kGammaBar.minimum, 100);
  EXPECT_EQ(kGammaBar.maximum, 300);
  EXPECT_EQ(kGammaBar.initial, 180);
  EXPECT_EQ(kRedBar.maximum, 100);
  EXPECT_EQ(kBlueBar.initial, 50);
  EXPECT_STREQ(kCurveNames[4], "x^2+x");
}

TEST(ToneCurves, ValuesAtStartUp) {
  const double xs[] = {-1, -0.5, 0, 0.5, 1};
  const double expected[5][5] = {
      {1, 0.25, -0.5, 0.25, 1},
      {1, -0.125, -0.5, -0.125, 1},
      {1, -0.3125, -0.5, -0.3125, 1},
      {1, -0.40625, -0.5, -0.40625, 1},
      {1.25, 0.3125, -0.25, 0.3125, 1.25},
  };
  for (int curve = 0; curve < 5; ++curve)
    for (int i = 0; i < 5; ++i)
      EXPECT_DOUBLE_EQ(CurveValue(WithCurve(curve), xs[i]), expected[curve][i])
          << kCurveNames[curve] << " at " << xs[i];
}

TEST(ToneCurves, EvenInXAndZeroAtTheIdentitySettings) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> x(0, 1);
  for (int curve = 0; curve < 5; ++curve) {
    CorrectionSettings s = WithCurve(curve);
    CorrectionSettings neutral = Neutral();
    neutral.Curve = curve;
    for (int i = 0; i < 200; ++i) {
      const double v = x(random);
      EXPECT_EQ(CurveValue(s, v), CurveValue(s, -v));
      EXPECT_EQ(CurveValue(neutral, v), 0.0);
    }
  }
}

TEST(ToneCurves, PowerAndRootThroughLogarithms) {
  EXPECT_EQ(Power(0.5, 1.8), std::exp(1.8 * std::log(0.5)));
  EXPECT_EQ(Root(0.3, 1.8), std::exp(std::log(0.3) / 1.8));
  EXPECT_NEAR(Power(2, 10), 1024, 1e-9);
  EXPECT_NEAR(Root(1024, 10), 2, 1e-12);
}

TEST(CorrectChannelTest, SampleTableAtStartUp) {
  const CorrectionSettings s = WithCurve(0);
  const std::uint8_t samples[] = {0, 1, 64, 128, 200, 255};
  const int centre[] = {0, 1, 44, 87, 136, 174};
  const int half[] = {0, 1, 72, 145, 226, 255};
  const int corner[] = {0, 1, 94, 188, 255, 255};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Corrected(samples[i], s, 0, 0), centre[i]) << int(samples[i]);
    EXPECT_EQ(Corrected(samples[i], s, 0.5, 0), half[i]) << int(samples[i]);
    EXPECT_EQ(Corrected(samples[i], s, 1, 0), corner[i]) << int(samples[i]);
  }
}

TEST(CorrectChannelTest, OtherCurvesAtHalfDistance) {
  const int expected[] = {145, 119, 104, 96, 149};
  for (int curve = 0; curve < 5; ++curve)
    EXPECT_EQ(Corrected(128, WithCurve(curve), 0.5, 0), expected[curve]) << kCurveNames[curve];
}

TEST(CorrectChannelTest, CrossOverTable) {
  const CorrectionSettings s = Neutral();
  const int positions[] = {0, 25, 75, 100};
  const std::uint8_t samples[] = {0, 32, 64, 128, 192, 255};
  const int expected[4][6] = {
      {87, 91, 100, 128, 162, 200},
      {59, 67, 84, 128, 178, 229},
      {0, 0, 38, 128, 206, 255},
      {0, 0, 0, 128, 218, 255},
  };
  for (int f = 0; f < 4; ++f)
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(Corrected(samples[i], s, 0.3, CrossFromPosition(positions[f])), expected[f][i])
          << "bar " << positions[f] << " sample " << int(samples[i]);
}

TEST(CorrectChannelTest, GammaOne) {
  const CorrectionSettings s = Neutral(100);
  const double cross = CrossFromPosition(100);
  EXPECT_EQ(Corrected(64, s, 0, cross), 32);
  EXPECT_EQ(Corrected(128, s, 0, cross), 128);
  EXPECT_EQ(Corrected(192, s, 0, cross), 224);
}

TEST(CorrectChannelTest, BlackLiftedAndDarkPushedToZero) {
  const CorrectionSettings s = WithCurve(0);
  EXPECT_EQ(Corrected(0, s, 0, CrossFromPosition(0)), 59);
  EXPECT_EQ(Corrected(20, s, 0, CrossFromPosition(100)), 0);
}

TEST(CorrectChannelTest, MatchesAnIndependentFormula) {
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const double gamma = (100 + random() % 201) / 100.0;
    const double cross = (static_cast<int>(random() % 101) - 50) * 0.01;
    const double gain = (random() % 3001) / 1000.0;
    const int c = static_cast<int>(random() % 256);
    const double p = c == 0 ? 0 : std::pow(c / 255.0, gamma);
    const double v = ((p - std::pow(0.5, gamma)) * cross + p) * gain;
    const double o = v > 0 ? std::min(255.0, 255 * std::pow(v, 1 / gamma)) : 0;
    const int got =
        CorrectChannel(static_cast<std::uint8_t>(c), cross, gamma, Power(0.5, gamma), gain);
    // pow and exp(log) differ in the last bits, so only values near a half may disagree.
    if (std::fabs(o - std::floor(o) - 0.5) > 1e-6) {
      EXPECT_EQ(got, std::nearbyint(o));
    }
  }
}

TEST(Positions, NormalisedDistances) {
  const double d4 = std::sqrt(8.0);
  EXPECT_EQ(NormalisedDistance(2, 2, 2, 2, d4), 0);
  EXPECT_EQ(NormalisedDistance(1, 1, 2, 2, d4), 0.5);
  EXPECT_EQ(NormalisedDistance(3, 3, 2, 2, d4), 0.5);
  EXPECT_EQ(NormalisedDistance(1, 3, 2, 2, d4), 0.5);
  EXPECT_EQ(NormalisedDistance(0, 0, 2, 2, d4), 1);
  EXPECT_LT(NormalisedDistance(3, 0, 2, 2, d4), 1);
  const double d3 = std::sqrt(2.0);
  for (int corner = 0; corner < 4; ++corner)
    EXPECT_EQ(NormalisedDistance(corner % 2 * 2, corner / 2 * 2, 1, 1, d3), 1);
  const double expected5[] = {1, 0.5, 0, 0.5, 1};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(NormalisedDistance(x, 0, 2, 0, 2), expected5[x]);
  EXPECT_EQ(NormalisedDistance(0, 0, 0, 0, 0), 0);
  EXPECT_EQ(NormalisedDistance(0, 0, 70000, 70000, std::sqrt(2.0 * 70000 * 70000)), 1);
}

TEST(Pass, FourByFourUsesTheCentreAndTheCorner) {
  Bitmap bitmap = Filled(4, 4, 128, 128, 128);
  CorrectBitmap(bitmap, bitmap, WithCurve(0));
  EXPECT_EQ(bitmap.ScanLine(2)[6], 87);
  EXPECT_EQ(bitmap.ScanLine(1)[3], 145);
  EXPECT_EQ(bitmap.ScanLine(3)[9 + 2], 145);
  EXPECT_EQ(bitmap.ScanLine(0)[0], 188);
}

TEST(Pass, OneRowFiveWide) {
  Bitmap bitmap = Filled(5, 1, 128, 128, 128);
  CorrectBitmap(bitmap, bitmap, WithCurve(0));
  const int expected[] = {188, 145, 87, 145, 188};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(bitmap.ScanLine(0)[3 * x + 1], expected[x]) << x;
}

TEST(Pass, IdentitySettingsLeaveEveryPixel) {
  Bitmap picture(7, 5);
  std::mt19937 random(3);
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < 21; ++i) picture.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
  for (int curve = 0; curve < 5; ++curve)
    for (int gamma = 100; gamma <= 300; gamma += 5) {
      CorrectionSettings s = Neutral(gamma);
      s.Curve = curve;
      Bitmap out(7, 5);
      CorrectBitmap(picture, out, s);
      for (int y = 0; y < 5; ++y)
        ASSERT_EQ(std::memcmp(out.ScanLine(y), picture.ScanLine(y), 21), 0)
            << kCurveNames[curve] << " gamma " << gamma;
    }
  Bitmap all(256, 1);
  for (int x = 0; x < 256; ++x)
    all.ScanLine(0)[3 * x] = all.ScanLine(0)[3 * x + 1] = all.ScanLine(0)[3 * x + 2] =
        static_cast<std::uint8_t>(x);
  for (int gamma = 100; gamma <= 300; ++gamma) {
    Bitmap out(256, 1);
    CorrectBitmap(all, out, Neutral(gamma));
    ASSERT_EQ(std::memcmp(out.ScanLine(0), all.ScanLine(0), 768), 0) << gamma;
  }
}

TEST(Pass, CentreBarAtZeroBlackensTheCentre) {
  for (int curve = 0; curve < 4; ++curve) {
    ControlPositions positions;
    positions.centre = 0;
    positions.curve = curve;
    positions.red = 0;
    positions.blue = 100;
    Bitmap bitmap = Filled(3, 3, 250, 10, 128);
    CorrectBitmap(bitmap, bitmap, SettingsFromPositions(positions));
    for (int i = 3; i < 6; ++i) EXPECT_EQ(bitmap.ScanLine(1)[i], 0) << kCurveNames[curve];
  }
}

TEST(Pass, EachChannelTakesItsOwnFactor) {
  Bitmap picture(6, 4);
  std::mt19937 random(5);
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 18; ++i) picture.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
  ControlPositions redOnly;
  redOnly.red = 90;
  Bitmap moved(6, 4), still(6, 4);
  CorrectBitmap(picture, moved, SettingsFromPositions(redOnly));
  CorrectBitmap(picture, still, SettingsFromPositions({}));
  bool redDiffers = false;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(moved.ScanLine(y)[3 * x], still.ScanLine(y)[3 * x]);
      EXPECT_EQ(moved.ScanLine(y)[3 * x + 1], still.ScanLine(y)[3 * x + 1]);
      redDiffers |= moved.ScanLine(y)[3 * x + 2] != still.ScanLine(y)[3 * x + 2];
    }
  EXPECT_TRUE(redDiffers);
}

TEST(Pass, InPlaceEqualsIntoASecondBitmap) {
  Bitmap picture(9, 7);
  std::mt19937 random(9);
  for (int y = 0; y < 7; ++y)
    for (int i = 0; i < 27; ++i) picture.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
  ControlPositions positions;
  positions.green = 20;
  positions.curve = 4;
  const CorrectionSettings s = SettingsFromPositions(positions);
  Bitmap separate(9, 7);
  CorrectBitmap(picture, separate, s);
  CorrectBitmap(picture, picture, s);
  for (int y = 0; y < 7; ++y)
    EXPECT_EQ(std::memcmp(separate.ScanLine(y), picture.ScanLine(y), 27), 0);
}

TEST(Pass, EdgeSizesAndFormats) {
  Bitmap single = Filled(1, 1, 255, 128, 0);
  CorrectBitmap(single, single, WithCurve(0));
  EXPECT_EQ(single.ScanLine(0)[0], 174);
  EXPECT_EQ(single.ScanLine(0)[1], 87);
  EXPECT_EQ(single.ScanLine(0)[2], 0);

  Bitmap empty;
  Bitmap target(2, 2);
  CorrectBitmap(empty, target, WithCurve(0));
  EXPECT_EQ(target.ScanLine(0)[0], 255);

  Bitmap palette(2, 2, PixelFormat::Bits8);
  EXPECT_THROW(CorrectBitmap(palette, palette, WithCurve(0)), Error);
  Bitmap small(1, 1);
  Bitmap big(2, 2);
  EXPECT_THROW(CorrectBitmap(big, small, WithCurve(0)), Error);
  // The destination may be larger: only the source's area is written.
  Bitmap larger(3, 3);
  CorrectBitmap(single, larger, Neutral());
  EXPECT_EQ(larger.ScanLine(1)[0], 255);
}

}  // namespace
}  // namespace brumel
