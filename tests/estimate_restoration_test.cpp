// The estimator on pictures made here: a scene of flat patches from deep black to paper white,
// faded as prints fade (each dye keeping its own share of density, the paper stained, the light
// falling off towards the corners), and the same scene unfaded.
#include "restore/estimate_restoration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "correct/correct_bitmap.h"
#include "formats/jpeg/jpeg_codec.h"
#include "restore/channel_stretch.h"
#include "restore/fade_evidence.h"
#include "restore/light_falloff.h"
#include "restore/lone_dye.h"
#include "restore/print_tone.h"
#include "restore/reduced_view.h"
#include "restore/restoration_options.h"
#include "restore/scanner_stretch.h"

namespace brumel {
namespace {

struct Fade {
  double kept[3] = {1, 1, 1};   // red, green, blue
  double stain[3] = {0, 0, 0};  // density added
  double falloff = 0;           // light lost at the corners, growing as r^2
};

// Patches of 24 x 24 pixels in colours drawn from deep shadow to white, a white and a black
// patch in every row of patches, so that every ring from the centre holds both. The black is a
// camera's, deeper than a print holds, unless a print's is asked for.
constexpr int kPrintBlack = 14;
Bitmap Scene(int width, int height, std::uint32_t seed, int black = 6) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sample(8, 250);
  Bitmap picture(width, height);
  const int columns = (width + 23) / 24;
  for (int py = 0; py * 24 < height; ++py) {
    for (int px = 0; px < columns; ++px) {
      int rgb[3] = {sample(random), sample(random), sample(random)};
      if ((px + py) % 5 == 0) rgb[0] = rgb[1] = rgb[2] = 245;
      if ((px + 2 * py) % 7 == 0) rgb[0] = rgb[1] = rgb[2] = black;
      for (int y = py * 24; y < std::min(height, py * 24 + 24); ++y)
        for (int x = px * 24; x < std::min(width, px * 24 + 24); ++x)
          for (int c = 0; c < 3; ++c) picture.ScanLine(y)[3 * x + 2 - c] = rgb[c];
    }
  }
  return picture;
}

Bitmap Faded(const Bitmap& original, const Fade& fade) {
  Bitmap faded = original;
  const int cy = original.Height() / 2, cx = original.Width() / 2;
  const double farthest = FarthestDistance(cx, cy);
  for (int y = 0; y < original.Height(); ++y) {
    for (int x = 0; x < original.Width(); ++x) {
      const double r = NormalisedDistance(x, y, cx, cy, farthest);
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& byte = faded.ScanLine(y)[3 * x + 2 - c];
        const double light = std::max(SrgbToLinear(byte), 0.004);
        const double kept = std::pow(light, fade.kept[c]) * std::pow(10.0, -fade.stain[c]);
        byte =
            static_cast<std::uint8_t>(std::lround(LinearToSrgb(kept * (1 - fade.falloff * r * r))));
      }
    }
  }
  return faded;
}

// The mean difference of the samples of two pictures of one size.
double MeanDifference(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int i = 0; i < 3 * a.Width(); ++i) sum += std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]);
  return sum / (3.0 * a.Width() * a.Height());
}

Bitmap Restored(const Bitmap& faded, const Restoration& restoration) {
  Bitmap restored = faded;
  CorrectBitmap(faded, restored, SettingsFor(restoration));
  return restored;
}

// The scene with its blue never darker than `floor`, as a sky's or the sea's.
Bitmap BlueFloored(Bitmap picture, int floor) {
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      std::uint8_t& blue = picture.ScanLine(y)[3 * x];
      blue = static_cast<std::uint8_t>(floor + blue * (255 - floor) / 255);
    }
  return picture;
}

TEST(EstimateRestoration, RecoversAKnownFade) {
  const Bitmap original = Scene(600, 400, 1);
  const Fade fade{{0.55, 0.8, 0.7}, {0, 0.03, 0.1}, 0.3};
  const Bitmap faded = Faded(original, fade);
  const Restoration found = EstimateRestoration(faded, {});

  const ChannelLevels* levels[3] = {&found.levels.red, &found.levels.green, &found.levels.blue};
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    EXPECT_NEAR(levels[c]->gamma / 100.0, fade.kept[c], 0.1);
    EXPECT_NEAR(levels[c]->white, LinearToSrgb(std::pow(10.0, -fade.stain[c])), 4);
    EXPECT_EQ(levels[c]->black, 0);
  }
  // The light lost as r^2 comes back through the "sqr" curve, the corners raised, the centre
  // left as it is.
  EXPECT_EQ(found.positions.curve, 1);
  EXPECT_EQ(found.positions.centre, kCentreBar.maximum);
  EXPECT_GT(found.positions.corner, 20);
  EXPECT_LT(found.positions.corner, 90);

  const double before = MeanDifference(faded, original);
  const double after = MeanDifference(Restored(faded, found), original);
  EXPECT_LT(after, before / 2.5) << before << " " << after;
}

TEST(EstimateRestoration, LeavesAnUnfadedPictureNearlyAlone) {
  for (std::uint32_t seed : {2u, 3u, 4u}) {
    const Bitmap original = Scene(500, 360, seed);
    const Restoration found = EstimateRestoration(original, {});
    EXPECT_EQ(found.levels, Levels{}) << seed;
    EXPECT_LT(MeanDifference(Restored(original, found), original), 1.0) << seed;
  }
}

TEST(EstimateRestoration, IsDeterministicAndKeepsWhatIsHeld) {
  const Bitmap faded = Faded(Scene(640, 480, 5), {{0.6, 0.7, 0.9}, {0, 0.02, 0.12}, 0.2});
  const Restoration first = EstimateRestoration(faded, {});
  const Restoration again = EstimateRestoration(faded, {});
  EXPECT_EQ(first.levels, again.levels);
  EXPECT_EQ(SettingsFor(first).Gamma, SettingsFor(again).Gamma);
  EXPECT_EQ(first.positions.corner, again.positions.corner);

  HeldSettings held;
  held.levels = Levels{{10, 240, 120}, {0, 255, 100}, {5, 250, 90}};
  held.gamma = 200;
  held.curve = 4;
  held.red = 70;
  const Restoration kept = EstimateRestoration(faded, held);
  EXPECT_EQ(kept.levels, *held.levels);
  EXPECT_EQ(kept.positions.gamma, 200);
  EXPECT_EQ(kept.positions.curve, 4);
  EXPECT_EQ(kept.positions.red, 70);
  EXPECT_EQ(kept.positions.green, first.positions.green);
}

TEST(EstimateRestoration, TakesPicturesOfAnySize) {
  for (auto [width, height] : {std::pair{0, 0}, {1, 1}, {3, 1}, {1, 900}, {2000, 7}}) {
    const Bitmap picture = Scene(std::max(width, 1), std::max(height, 1), 6);
    const Bitmap sized = width == 0 ? Bitmap() : picture;
    const Restoration found = EstimateRestoration(sized, {});
    for (const ChannelLevels& c : {found.levels.red, found.levels.green, found.levels.blue})
      EXPECT_TRUE(LevelsInRange(c)) << width << " x " << height;
    EXPECT_GE(found.positions.corner, kCornerBar.minimum);
    EXPECT_LE(found.positions.corner, kCornerBar.maximum);
  }
}

// Every channel of a picture lifted alike towards white, as fog or haze does: the darkest
// tones become a light grey, every channel the same.
Bitmap Hazed(const Bitmap& original, double haze) {
  Bitmap hazed = original;
  for (int y = 0; y < original.Height(); ++y)
    for (int i = 0; i < 3 * original.Width(); ++i) {
      std::uint8_t& byte = hazed.ScanLine(y)[i];
      byte = static_cast<std::uint8_t>(
          std::lround(LinearToSrgb(haze + (1 - haze) * SrgbToLinear(byte))));
    }
  return hazed;
}

// The largest difference between a pixel's channels, over the picture.
int LargestCast(const Bitmap& picture) {
  int largest = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
      largest = std::max({largest, std::abs(p[0] - p[1]), std::abs(p[1] - p[2])});
    }
  return largest;
}

Bitmap Grey(const Bitmap& picture) {
  Bitmap grey = picture;
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < grey.Width(); ++x) {
      std::uint8_t* p = grey.ScanLine(y) + 3 * x;
      p[0] = p[2] = p[1];
    }
  return grey;
}

TEST(EstimateRestoration, SaysHowFadedAPictureLooks) {
  const Bitmap original = Scene(600, 400, 7);
  const Restoration faded =
      EstimateRestoration(Faded(original, {{0.55, 0.8, 0.7}, {0, 0.03, 0.1}, 0.3}), {});
  EXPECT_EQ(faded.fading, 100);
  const Restoration good = EstimateRestoration(original, {});
  EXPECT_EQ(good.fading, 0);
  EXPECT_EQ(good.levels, Levels{});
  EXPECT_EQ(good.positions.corner, 0) << "a good photograph's corners are the scene's";
}

TEST(EstimateRestoration, CastsNoColourOnANeutralFoggyOrHighKeyPicture) {
  // Grey scenes lifted by fog, from a thin haze to a high-key picture with no shadows at all.
  for (double haze : {0.02, 0.06, 0.15, 0.4}) {
    SCOPED_TRACE(haze);
    const Bitmap foggy = Hazed(Grey(Scene(500, 360, 8)), haze);
    const Restoration found = EstimateRestoration(foggy, {});
    EXPECT_EQ(found.levels.red.gamma, found.levels.green.gamma);
    EXPECT_EQ(found.levels.green.gamma, found.levels.blue.gamma);
    EXPECT_EQ(found.levels.red.white, found.levels.blue.white);
    EXPECT_LE(LargestCast(Restored(foggy, found)), 1);
  }
}

TEST(EstimateRestoration, ChangesSmoothlyWithTheFade) {
  // From no fading to a strong one in small steps: the settings never jump.
  const Bitmap original = Scene(400, 300, 9);
  Restoration previous = EstimateRestoration(original, {});
  for (int step = 1; step <= 25; ++step) {
    SCOPED_TRACE(step);
    const double kept = 1 - 0.02 * step;
    const Restoration found = EstimateRestoration(
        Faded(
            original,
            {{kept, kept + 0.01 * step, kept + 0.005 * step}, {0, 0, 0.003 * step}, 0.012 * step}),
        {});
    EXPECT_LE(std::abs(found.fading - previous.fading), 30);
    EXPECT_GE(found.fading, previous.fading - 2);
    for (auto level : {&ChannelLevels::gamma, &ChannelLevels::white}) {
      EXPECT_LE(std::abs(found.levels.red.*level - previous.levels.red.*level), 12);
      EXPECT_LE(std::abs(found.levels.blue.*level - previous.levels.blue.*level), 12);
    }
    EXPECT_LE(std::abs(found.positions.corner - previous.positions.corner), 15);
    previous = found;
  }
  EXPECT_EQ(previous.fading, 100);
}

TEST(EstimateRestoration, ASecondPassChangesNextToNothing) {
  for (std::uint32_t seed : {10u, 11u}) {
    SCOPED_TRACE(seed);
    const Bitmap faded = Faded(Scene(600, 400, seed), {{0.5, 0.75, 0.65}, {0, 0.04, 0.12}, 0.25});
    const Bitmap restored = Restored(faded, EstimateRestoration(faded, {}));
    const Restoration again = EstimateRestoration(restored, {});
    EXPECT_LE(again.fading, 10);
    EXPECT_LT(MeanDifference(Restored(restored, again), restored), 1.0);
  }
}

TEST(EstimateRestoration, GoesOverToTheStretchSmoothlyAndHoldsItsResult) {
  // The sky's blue floor rising in small steps carries the levels from the fading model over to
  // the stretch without a jump, and each restoration stays as it is on a second pass.
  const Bitmap scene = Scene(400, 300, 13);
  Restoration previous;
  for (int floor = 0; floor <= 200; floor += 5) {
    SCOPED_TRACE(floor);
    const Bitmap faded = Faded(BlueFloored(scene, floor), {{0.6, 0.7, 0.75}, {0, 0.03, 0.1}, 0.2});
    const Restoration found = EstimateRestoration(faded, {});
    if (floor > 0) {
      for (auto level : {&ChannelLevels::black, &ChannelLevels::white, &ChannelLevels::gamma})
        for (auto channel : {&Levels::red, &Levels::green, &Levels::blue})
          EXPECT_LE(std::abs(found.levels.*channel.*level - previous.levels.*channel.*level), 12);
      EXPECT_LE(std::abs(found.positions.corner - previous.positions.corner), 15);
    }
    previous = found;
    if (floor % 50 != 0) continue;
    const Bitmap restored = Restored(faded, found);
    EXPECT_LT(MeanDifference(Restored(restored, EstimateRestoration(restored, {})), restored), 0.5);
  }
}

// The scene with its blue squeezed, in linear light, between `floor` and `top` of the light:
// a channel the scene's colour keeps light and narrow, as a sunlit jetty's warm blue.
Bitmap BlueSqueezed(Bitmap picture, double floor, double top) {
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      std::uint8_t& blue = picture.ScanLine(y)[3 * x];
      const double light = floor + (top - floor) * SrgbToLinear(blue);
      blue = static_cast<std::uint8_t>(std::lround(LinearToSrgb(light)));
    }
  return picture;
}

TEST(ChannelStretch, StretchesNoChannelAtItsWhiteAloneWhereTheScenesColourHoldsBothEnds) {
  const Bitmap scene = Scene(300, 200, 31);
  const double liftedBlack = std::pow(kDeepestShadow, kLeastKept);
  const auto stretched = [&](double floor, double top) {
    return StretchLevels(MakeReducedView(BlueSqueezed(scene, floor, top), 300), liftedBlack);
  };
  const int warmWhite = std::lround(LinearToSrgb(0.45 * SrgbToLinear(250)));
  // A dark blue floor is a fading's lift: stretched at both ends, as red is.
  const Levels faded = stretched(0.02, 0.45);
  EXPECT_NEAR(faded.blue.white, warmWhite, 2);
  EXPECT_LE(faded.blue.black, LinearToSrgb(0.03));
  EXPECT_NEAR(faded.red.white, 250, 2);
  EXPECT_LE(faded.red.black, 8);
  // A floor beyond any fading's, under highlights lacking more than a stain darkens them, keeps
  // the channel's white where it is instead of lightening the whole channel; between, the
  // white point rises without a jump.
  EXPECT_EQ(stretched(0.3, 0.45).blue.white, 255);
  int previous = faded.blue.white;
  for (double floor = 0.02; floor <= 0.3; floor += 0.0025) {
    SCOPED_TRACE(floor);
    const Levels levels = stretched(floor, 0.45);
    EXPECT_GE(levels.blue.white, previous);
    EXPECT_LE(levels.blue.white - previous, 12);
    EXPECT_LE(levels.blue.black, std::lround(LinearToSrgb(liftedBlack * 0.45)) + 1);
    EXPECT_EQ(levels.red.white, faded.red.white) << "the other channels keep their stretch";
    previous = levels.blue.white;
  }
  // Highlights that lack no more than a yellowed paper's are stretched as a stain's, however
  // light the floor: the sky of a yellowed print.
  EXPECT_NEAR(stretched(0.3, 0.8).blue.white, LinearToSrgb(0.8 * SrgbToLinear(250)), 2);
}

TEST(FadeEvidence, RisesSmoothlyWithTheSpreadOfTheShadowsAndCorrectsAsFarAsItCarries) {
  const std::array<ChannelMeasure, 3> sky{{{1, 1, 3.2}, {1, 0.7, 1.5}, {0.8, 0.4, 0.9}}};
  EXPECT_EQ(WeighFadeEvidence(sky).fading, 0) << "red reaches a true black: the blue is the scene";
  for (const ChannelMeasure& m : CorrectionCarried(sky, WeighFadeEvidence(sky))) {
    EXPECT_EQ(m.kept, 1);
    EXPECT_EQ(m.white, 1);
  }
  // One dye losing more and more, the others kept: whichever it is, the evidence rises without
  // a jump to certainty.
  for (int lost = 0; lost < 3; ++lost) {
    SCOPED_TRACE(lost);
    double previous = 0;
    for (double kept = 1; kept >= 0.5; kept -= 0.005) {
      std::array<ChannelMeasure, 3> measures{{{1, 1, 2.2}, {1, 1, 2.2}, {1, 1, 2.2}}};
      measures[lost].kept = kept;
      measures[lost].depth = 2.2 * kept;
      const double now = WeighFadeEvidence(measures).fading;
      EXPECT_GE(now, previous);
      EXPECT_LE(now - previous, 0.15) << kept;
      previous = now;
    }
    EXPECT_EQ(previous, 1);
  }
  const std::array<ChannelMeasure, 3> clear{{{1, 0.5, 1.1}, {0.95, 0.7, 1.5}, {0.8, 0.6, 1.3}}};
  const auto carried = CorrectionCarried(clear, WeighFadeEvidence(clear));
  for (int c = 0; c < 3; ++c) {
    EXPECT_DOUBLE_EQ(carried[c].kept, clear[c].kept);
    EXPECT_DOUBLE_EQ(carried[c].white, clear[c].white);
  }
}

TEST(FadeEvidence, TakesNoLiftAlikeInEveryChannelForFading) {
  // Haze, fog or a high-key exposure lifts every channel alike, up to far beyond what fading
  // does; a veil lighter than any fading makes is not read as fading even where it is tinted.
  for (double kept : {0.9, 0.7, 0.5, 0.3}) {
    const std::array<ChannelMeasure, 3> alike{
        {{1, kept, 2.2 * kept}, {1, kept, 2.2 * kept}, {1, kept, 2.2 * kept}}};
    EXPECT_EQ(WeighFadeEvidence(alike).fading, 0) << kept;
  }
  const std::array<ChannelMeasure, 3> tintedVeil{{{1, 0.22, 0.5}, {1, 0.2, 0.45}, {1, 0.1, 0.2}}};
  EXPECT_EQ(WeighFadeEvidence(tintedVeil).fading, 0);
  // A thick haze over a landscape under a blue sky: blue's shadows lifted a little further by the
  // sky, the deepest channel reaching under a third of a print's black.
  const std::array<ChannelMeasure, 3> hazyLandscape{
      {{1, 0.3, 0.72}, {1, 0.28, 0.68}, {1, 0.22, 0.53}}};
  EXPECT_EQ(WeighFadeEvidence(hazyLandscape).fading, 0);
  // The same haze at dusk: the shadows lie darker, but no nearer the picture's dim lightest
  // tones than by day. The same shadows under a paper's white are a faded print's.
  auto atDusk = hazyLandscape;
  for (auto& m : atDusk) {
    m.kept += 0.17;
    m.depth += 0.4;
    m.light = 0.4;
  }
  EXPECT_LT(WeighFadeEvidence(atDusk).fading, 0.05);
  for (auto& m : atDusk) m.light = 1;
  EXPECT_GT(WeighFadeEvidence(atDusk).fading, 0.5);
}

TEST(FadeEvidence, ReadsRedOrGreenLiftedAloneOrRedAndBlueTogetherBesideATrueBlackAsLoss) {
  // Two channels alike and deeper than a print holds, the third lifted as a lost dye lifts it.
  const auto lifted = [](int channel, double depth) {
    std::array<ChannelMeasure, 3> measures{{{1, 1, 3.0}, {1, 1, 2.9}, {1, 1, 3.0}}};
    measures[channel].depth = depth;
    measures[channel].kept = std::min(1.0, depth / 2.4);
    return measures;
  };
  EXPECT_EQ(WeighFadeEvidence(lifted(0, 1.3)).fading, 1) << "cyan lost";
  EXPECT_EQ(WeighFadeEvidence(lifted(1, 1.3)).fading, 1) << "magenta lost";
  EXPECT_EQ(WeighFadeEvidence(lifted(2, 1.3)).fading, 0) << "blue alone: a sky, the sea";
  // A sepia print's red lies only a little above the black of its other channels.
  EXPECT_EQ(WeighFadeEvidence(lifted(0, 2.1)).fading, 0);
  // Blue and green lifted beside red's true black: a sky over a dark scene, not a lone loss.
  EXPECT_EQ(WeighFadeEvidence({{{1, 1, 3.7}, {1, 0.66, 1.6}, {1, 0.35, 0.85}}}).fading, 0);
  // A lone red lifted further than a dye's loss usually lifts it is still the dye's, and keeps
  // the model; red lifted as far beside green lifted too goes over to the stretch.
  EXPECT_EQ(WeighFadeEvidence(lifted(0, 0.7)).stretch, 0);
  EXPECT_GT(WeighFadeEvidence({{{1, 0.25, 0.6}, {1, 0.54, 1.3}, {1, 0.92, 2.2}}}).stretch, 0.5);
  // A film's cyan and yellow lost beside its kept magenta: red and blue lifted above green's
  // true black. Cups' purple shadows lie only a little above it and are the scene's; red and blue
  // lifted beyond a dye's loss are a scene's too (a blue fog over a warm shore), and go over to
  // the stretch as before.
  const auto purple = [](double redKept, double blueKept) {
    return std::array<ChannelMeasure, 3>{
        {{1, redKept, 2.4 * redKept}, {1, 1, 3.0}, {1, blueKept, 2.4 * blueKept}}};
  };
  EXPECT_EQ(WeighFadeEvidence(purple(0.55, 0.5)).fading, 1) << "cyan and yellow lost";
  EXPECT_EQ(WeighFadeEvidence(purple(0.73, 0.68)).fading, 0) << "purple shadows";
  EXPECT_GT(WeighFadeEvidence(purple(0.55, 0.19)).stretch, 0.5);
  // A warm light's shadows: red lifted most, green less, blue deepest, none alone.
  EXPECT_LT(MeasureLoneDyeLoss({{{1, 0.71, 1.7}, {1, 0.84, 2.02}, {1, 1, 2.48}}}), 0.05);
  // Red lifting further and further, then blue following it: the evidence changes without a
  // jump as the lone lift grows and as it stops being alone.
  double previous = 0;
  for (double depth = 3.0; depth >= 1.0; depth -= 0.01) {
    const double now = WeighFadeEvidence(lifted(0, depth)).fading;
    EXPECT_LE(std::abs(now - previous), 0.1) << depth;
    previous = now;
  }
  for (double depth = 3.0; depth >= 1.0; depth -= 0.01) {
    std::array<ChannelMeasure, 3> measures = lifted(0, 1.0);
    measures[2] = {1, std::min(1.0, depth / 2.4), depth, 1};
    const double now = WeighFadeEvidence(measures).fading;
    EXPECT_LE(std::abs(now - previous), 0.1) << depth;
    previous = now;
  }
}

TEST(FadeEvidence, ReadsAYellowStainInTheHighlights) {
  // Dyes kept, the paper yellowed: blue's highlights darkest, green's between.
  const std::array<ChannelMeasure, 3> yellowed{
      {{1, 0.95, 2.1}, {0.85, 0.95, 2.1}, {0.55, 0.95, 2.1}}};
  const FadeEvidence evidence = WeighFadeEvidence(yellowed);
  EXPECT_EQ(evidence.fading, 1);
  EXPECT_DOUBLE_EQ(CorrectionCarried(yellowed, evidence)[2].white, 0.55);
  // A yellowed print of a scene whose shadows stop short of a print's black (an autumn wood, a
  // fog): the channels lie alike, so the stain tells the paper, not dyes that lost much, and the
  // shadows are not deepened as far as they lie short. Beside an unequal loss the same shadows
  // are the dyes' and are deepened all the way.
  const std::array<ChannelMeasure, 3> shallow{
      {{1, 0.62, 1.5}, {0.85, 0.62, 1.5}, {0.55, 0.62, 1.5}}};
  for (const ChannelMeasure& m : CorrectionCarried(shallow, WeighFadeEvidence(shallow)))
    EXPECT_NEAR(m.kept, 0.85, 0.01);
  const std::array<ChannelMeasure, 3> unequal{
      {{1, 0.45, 1.1}, {0.85, 0.62, 1.5}, {0.55, 0.6, 1.45}}};
  EXPECT_DOUBLE_EQ(CorrectionCarried(unequal, WeighFadeEvidence(unequal))[1].kept, 0.62);
  // Beside the stain, blue's shadows a little lighter than the others': as likely the scene's
  // colour as a dye's loss, so blue's difference is met a little more than halfway. A clear
  // spread is the dyes'.
  const auto blueAgainstRed = [](double blueShare) {
    const std::array<ChannelMeasure, 3> m{
        {{1, 0.95, 2.28}, {0.85, 0.95, 2.28}, {0.55, 0.95 * blueShare, 2.28 * blueShare}}};
    const auto carried = CorrectionCarried(m, WeighFadeEvidence(m));
    return carried[2].kept / carried[0].kept;
  };
  EXPECT_NEAR(blueAgainstRed(0.9), 0.935, 1e-9);
  EXPECT_NEAR(blueAgainstRed(0.75), 0.75, 1e-9);
  // Blue-green highlights, as of the sea, are no stain.
  const std::array<ChannelMeasure, 3> sea{{{1, 0.95, 2.1}, {0.55, 0.95, 2.1}, {0.8, 0.95, 2.1}}};
  EXPECT_EQ(WeighFadeEvidence(sea).fading, 0);
  // The same highlights in a low-key picture, whose lightest tones stay far below white, show
  // no paper: their colour is the scene's light.
  std::array<ChannelMeasure, 3> lowKey = yellowed;
  for (ChannelMeasure& m : lowKey) m.light = 0.2;
  EXPECT_EQ(WeighFadeEvidence(lowKey).fading, 0);
}

TEST(FadeEvidence, GoesOverToTheStretchWhereAChannelIsLiftedBeyondADyesLoss) {
  // A clearly faded print whose blue shadows go from a dye's loss to far beyond it, as a sky's.
  double previous = 0;
  for (double blueKept = 0.6; blueKept >= 0.1; blueKept -= 0.005) {
    SCOPED_TRACE(blueKept);
    const std::array<ChannelMeasure, 3> measures{
        {{1, 0.55, 1.2}, {0.95, 0.7, 1.5}, {0.8, blueKept, 2.2 * blueKept}}};
    const FadeEvidence evidence = WeighFadeEvidence(measures);
    EXPECT_EQ(evidence.fading, 1);
    EXPECT_GE(evidence.stretch, previous);
    EXPECT_LE(evidence.stretch - previous, 0.15);
    previous = evidence.stretch;
    for (const ChannelMeasure& m : CorrectionCarried(measures, evidence))
      EXPECT_GE(m.kept, kLeastKept);
  }
  EXPECT_EQ(previous, 1);
  const std::array<ChannelMeasure, 3> unfaded{{{1, 1, 3}, {1, 0.7, 1.5}, {0.8, 0.1, 0.2}}};
  EXPECT_EQ(WeighFadeEvidence(unfaded).stretch, 0) << "a good photograph is not stretched";
}

// A kind of fading, and the dyes the estimate must name lost in it.
struct FadeCase {
  const char* what;
  Fade fade;
  const char* lost;
};

// Restores each faded print to less than half its difference from the original, and names the
// dyes it finds lost.
void ExpectRestored(std::initializer_list<FadeCase> cases, int black = kPrintBlack) {
  const Bitmap original = Scene(600, 400, 21, black);
  for (const FadeCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Bitmap faded = Faded(original, c.fade);
    const Restoration found = EstimateRestoration(faded, {});
    EXPECT_GE(found.fading, 50);
    EXPECT_EQ(LostDyesText(found.lost), c.lost);
    const double before = MeanDifference(faded, original);
    const double after = MeanDifference(Restored(faded, found), original);
    EXPECT_LT(after, before * 0.5) << before << " " << after;
  }
}

TEST(EstimateRestoration, RestoresOneDyeLostWhicheverItIs) {
  // One dye lost half its density, the other two kept all of theirs.
  ExpectRestored({{"cyan", {{0.5, 1, 1}, {0, 0, 0}, 0}, "cyan"},
                  {"magenta", {{1, 0.5, 1}, {0, 0, 0}, 0}, "magenta"},
                  {"yellow", {{1, 1, 0.5}, {0, 0, 0}, 0}, "yellow"}});
}

TEST(EstimateRestoration, RestoresLostDyesThoughAKeptOneReachesATrueBlack) {
  // Copied so that the kept dyes' black became as deep as a camera's.
  ExpectRestored({{"cyan", {{0.55, 1, 1}, {0, 0, 0}, 0.2}, "cyan"},
                  {"magenta", {{1, 0.55, 1}, {0, 0, 0}, 0.2}, "magenta"},
                  {"a film's cyan and yellow", {{0.55, 1, 0.55}, {0, 0, 0}, 0.2}, "cyan yellow"}},
                 6);
}

TEST(EstimateRestoration, RestoresASlidesMagentaAndALightFadedPrintsGreenBlueCast) {
  ExpectRestored({{"a slide: cyan and yellow lost, magenta kept",
                   {{0.5, 0.95, 0.55}, {0, 0, 0}, 0.2},
                   "cyan yellow"},
                  {"a print faded by light: magenta and yellow lost, cyan kept best",
                   {{0.85, 0.55, 0.6}, {0, 0.02, 0.08}, 0.2},
                   "cyan magenta yellow stain"},
                  {"a yellowed print: the dyes kept, the paper stained",
                   {{1, 1, 1}, {0, 0.06, 0.25}, 0},
                   "stain"}});
}

// The scene in a coloured light: each channel's linear light times its share (red, green, blue).
Bitmap Lit(Bitmap scene, const std::array<double, 3>& light) {
  for (int y = 0; y < scene.Height(); ++y)
    for (int x = 0; x < scene.Width(); ++x)
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& byte = scene.ScanLine(y)[3 * x + 2 - c];
        byte = static_cast<std::uint8_t>(std::lround(LinearToSrgb(SrgbToLinear(byte) * light[c])));
      }
  return scene;
}

TEST(EstimateRestoration, TakesAWarmLightForTheScenesNotForAStain) {
  // A dusk's light, green nearly as dim as blue against red: the stain taken out of green is the
  // share a yellow stain gives it. A sunset's, blue lacking far more than any stain takes: only
  // a common stain is taken out of blue. Either way the print comes back far nearer its scene
  // than all that the highlights lack would bring it.
  const struct {
    std::array<double, 3> light;
    double blueStain, left;
  } cases[] = {{{1, 0.8, 0.75}, 0.06, 0.5}, {{1, 0.75, 0.3}, 0.1, 0.4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.light[2]);
    const Bitmap scene = Lit(Scene(600, 400, 26, kPrintBlack), c.light);
    const Bitmap faded = Faded(scene, {{0.55, 0.8, 0.7}, {0, 0.02, c.blueStain}, 0});
    const Restoration found = EstimateRestoration(faded, {});
    EXPECT_GE(found.fading, 50);
    const double before = MeanDifference(faded, scene);
    const double after = MeanDifference(Restored(faded, found), scene);
    EXPECT_LT(after, before * c.left) << before << " " << after;
  }
}

// The picture as a scanner's automatic exposure stretches it: every channel's codes alike, from
// `black` to `white` onto the full range, whatever lies beyond clipped.
Bitmap ScannerStretched(Bitmap picture, int black, int white) {
  for (int y = 0; y < picture.Height(); ++y)
    for (int i = 0; i < 3 * picture.Width(); ++i) {
      std::uint8_t& byte = picture.ScanLine(y)[i];
      byte = static_cast<std::uint8_t>(std::clamp((byte - black) * 255 / (white - black), 0, 255));
    }
  return picture;
}

TEST(EstimateRestoration, RecognisesAFadeWhoseLightnessTheScannerStretched) {
  // The stretch brings the best-kept channel's shadows nearer black, or clips them there and the
  // paper's white at the top, while the other channels stay lifted: a black no print holds.
  const Bitmap original = Scene(600, 400, 22, kPrintBlack);
  const struct {
    const char* name;
    Fade fade;
    int black, white;
    const char* lost;
  } cases[] = {
      {"a dark-kept print, stretched gently",
       {{0.55, 0.8, 0.7}, {0, 0.03, 0.1}, 0},
       12,
       245,
       "cyan yellow stain"},
      {"a slide, stretched until green clips at black and white",
       {{0.5, 0.9, 0.6}, {}, 0},
       32,
       235,
       "cyan yellow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap scanned = ScannerStretched(Faded(original, c.fade), c.black, c.white);
    const Restoration found = EstimateRestoration(scanned, {});
    EXPECT_GE(found.fading, 50);
    EXPECT_EQ(LostDyesText(found.lost), c.lost);
    EXPECT_LT(MeanDifference(Restored(scanned, found), original),
              0.75 * MeanDifference(scanned, original));
    // The stretch took the same light out of every channel's shadows; the shares the dyes kept,
    // against the best-kept one's, are read as they were before it.
    const double* kept = c.fade.kept;
    const double best = std::max({kept[0], kept[1], kept[2]});
    const int read[3] = {found.levels.red.gamma, found.levels.green.gamma, found.levels.blue.gamma};
    const double bestRead = std::max({read[0], read[1], read[2]});
    for (int ch = 0; ch < 3; ++ch)
      EXPECT_NEAR(read[ch] / bestRead, kept[ch] / best, 0.1) << "channel " << ch;
  }
}

TEST(ScannerStretch, TellsAStretchedScanFromAPictureThatKeepsItsRange) {
  const Bitmap slide = Faded(Scene(600, 400, 27, kPrintBlack), {{0.5, 0.9, 0.6}, {}, 0});
  const auto stretch = [](const Bitmap& picture) {
    return MeasureScannerStretch(MakeReducedView(picture, 300));
  };
  EXPECT_GT(stretch(ScannerStretched(slide, 32, 235)), 0.9);
  EXPECT_EQ(stretch(slide), 0) << "nothing clipped";
  EXPECT_EQ(stretch(ScannerStretched(slide, 32, 255)), 0) << "clipped at black only";
  EXPECT_EQ(stretch(ScannerStretched(slide, 0, 235)), 0) << "clipped at white only";
  // A camera's picture that fills both ends while one channel lacks light in its highlights
  // too: an orange fog, the scene's colour and no stretched print.
  EXPECT_EQ(stretch(ScannerStretched(Lit(slide, {1, 1, 0.5}), 32, 235)), 0);
}

// A monochrome print of the scene's green, toned: each channel's density the green's times its
// own factor (sepia's blue densest, its red lightest), the factors' departure from 1 growing by
// `drift` from the deepest tones (D 2.4) to the lightest, as a toner that warms the light tones.
Bitmap Toned(const Bitmap& scene, const std::array<double, 3>& tone, double drift = 0) {
  Bitmap toned = scene;
  for (int y = 0; y < scene.Height(); ++y)
    for (int x = 0; x < scene.Width(); ++x) {
      std::uint8_t* p = toned.ScanLine(y) + 3 * x;
      const double density = -std::log10(std::max(SrgbToLinear(p[1]), 1e-4));
      const double warming = 1 + drift * std::max(0.0, 1 - density / 2.4);
      for (int c = 0; c < 3; ++c)
        p[2 - c] = static_cast<std::uint8_t>(
            std::lround(LinearToSrgb(std::pow(10.0, -density * (1 + (tone[c] - 1) * warming)))));
    }
  return toned;
}

constexpr std::array<double, 3> kSepia{0.8, 1, 1.3};

TEST(EstimateRestoration, KeepsASepiaTonedPrintsTone) {
  // Sepia prints as deep as a camera's black, and as a print holds (blue's deepest density 2.3,
  // red's 1.4), lighter still.
  for (double depth : {1.0, 0.75, 0.6}) {
    SCOPED_TRACE(depth);
    const Bitmap toned = Toned(Scene(600, 400, 24, kPrintBlack),
                               {kSepia[0] * depth, kSepia[1] * depth, kSepia[2] * depth});
    const Restoration found = EstimateRestoration(toned, {});
    EXPECT_EQ(found.levels.red.gamma, found.levels.blue.gamma);
    EXPECT_FALSE(found.lost.cyan || found.lost.magenta || found.lost.yellow);
    EXPECT_LT(MeanDifference(Restored(toned, found), toned), 1.5);
  }
  // The same scene in a faded colour print, cold where cyan kept best: corrected.
  const Bitmap grey = Grey(Scene(600, 400, 24, kPrintBlack));
  const Bitmap faded = Faded(grey, {{0.85, 0.55, 0.6}, {0, 0, 0}, 0});
  const double before = MeanDifference(faded, grey);
  EXPECT_LT(MeanDifference(Restored(faded, EstimateRestoration(faded, {})), grey), before * 0.5);
}

// The picture's linear light times `gain` plus `lift`, every channel alike, clipped.
Bitmap Exposed(const Bitmap& original, double gain, double lift) {
  Bitmap exposed = original;
  for (int y = 0; y < original.Height(); ++y)
    for (int i = 0; i < 3 * original.Width(); ++i) {
      std::uint8_t& byte = exposed.ScanLine(y)[i];
      byte = static_cast<std::uint8_t>(
          std::lround(LinearToSrgb(std::min(1.0, lift + gain * SrgbToLinear(byte)))));
    }
  return exposed;
}

TEST(EstimateRestoration, LeavesHazyHighKeyAndLowKeyColourPicturesNearlyAlone) {
  const Bitmap scene = Scene(500, 360, 23);
  // A low-key picture in a warm light (an autumn wood's) whose black is no deeper than a
  // print's: its lightest tones lack blue as a yellowed paper would, but show no paper.
  const Bitmap warmLowKey =
      Lit(Exposed(Scene(500, 360, 23, kPrintBlack), 0.3, 0.004), {1, 0.75, 0.5});
  const std::pair<const char*, Bitmap> good[] = {
      {"haze", Exposed(scene, 0.7, 0.2)},
      {"thin haze", Exposed(scene, 0.9, 0.05)},
      {"high key", Exposed(scene, 1.9, 0.04)},
      {"low key", Exposed(scene, 0.3, 0)},
      {"haze at dusk over the sea", Exposed(BlueFloored(scene, 140), 0.25, 0.06)},
      {"warm low key", warmLowKey},
  };
  for (const auto& [name, picture] : good) {
    SCOPED_TRACE(name);
    const Restoration found = EstimateRestoration(picture, {});
    EXPECT_LE(found.fading, 10);
    EXPECT_LT(MeanDifference(Restored(picture, found), picture), 1.0);
  }
}

// The picture through the JPEG writer and reader.
Bitmap ThroughJpeg(const Bitmap& picture) {
  const std::string name = testing::TempDir() + "estimate_restoration_test.jpg";
  SaveJpegFile(name, picture);
  Bitmap decoded;
  EXPECT_EQ(LoadJpegFile(name, decoded), "");
  std::remove(name.c_str());
  return decoded;
}

// The picture with film grain: every sample moved by up to `grain` at random.
Bitmap Grainy(Bitmap picture, int grain) {
  std::mt19937 random(24);
  std::uniform_int_distribution<int> noise(-grain, grain);
  for (int y = 0; y < picture.Height(); ++y)
    for (int i = 0; i < 3 * picture.Width(); ++i) {
      std::uint8_t& byte = picture.ScanLine(y)[i];
      byte = static_cast<std::uint8_t>(std::clamp(byte + noise(random), 0, 255));
    }
  return picture;
}

// Each scan of a clearly faded picture (named for the trace) reads as the picture itself: as
// faded, the same dyes lost, and a restoration of the picture within a small mean difference.
void ExpectReadAsTheFadedPicture(const Bitmap& faded,
                                 std::initializer_list<std::pair<const char*, Bitmap>> scans) {
  const Restoration clean = EstimateRestoration(faded, {});
  EXPECT_GE(clean.fading, 50);
  for (const auto& [name, scan] : scans) {
    SCOPED_TRACE(name);
    const Restoration found = EstimateRestoration(scan, {});
    EXPECT_NEAR(found.fading, clean.fading, 5);
    EXPECT_EQ(found.lost, clean.lost);
    EXPECT_LT(MeanDifference(Restored(faded, found), Restored(faded, clean)), 3.0)
        << RestorationOptions(found) << " / " << RestorationOptions(clean);
  }
}

TEST(EstimateRestoration, ReadsAJpegOrAGrainyScanAsTheCleanOne) {
  // A print whose dyes all faded, and one whose cyan alone did beside a camera's black.
  const Bitmap prints[] = {
      Faded(Scene(640, 480, 25, kPrintBlack), {{0.55, 0.75, 0.65}, {0, 0.03, 0.12}, 0.2}),
      Faded(Scene(640, 480, 25), {{0.5, 1, 1}, {0, 0, 0}, 0.2})};
  for (const Bitmap& faded : prints)
    ExpectReadAsTheFadedPicture(faded,
                                {{"JPEG", ThroughJpeg(faded)}, {"grain", Grainy(faded, 12)}});
}

// The picture laid on a scanner's glass under a lid of colour `lid`, which shows `band` pixels
// wide beside it on the left and right, and on the top and bottom too if `all`.
Bitmap OnTheGlass(const Bitmap& picture, std::uint8_t lid, int band, bool all) {
  const int dy = all ? band : 0;
  Bitmap scan(picture.Width() + 2 * band, picture.Height() + 2 * dy);
  for (int y = 0; y < scan.Height(); ++y) {
    std::uint8_t* row = scan.ScanLine(y);
    std::fill(row, row + 3 * scan.Width(), lid);
    if (y >= dy && y - dy < picture.Height())
      std::copy_n(picture.ScanLine(y - dy), 3 * picture.Width(), row + 3 * band);
  }
  return scan;
}

TEST(EstimateRestoration, ReadsAScanInTheLidsFrameAsThePrintAlone) {
  // A print kept in the dark, and a yellowed one whose stain a white lid's white would hide.
  const Bitmap prints[] = {
      Faded(Scene(640, 480, 27, kPrintBlack), {{0.55, 0.75, 0.65}, {0, 0.03, 0.12}, 0.2}),
      Faded(Scene(640, 480, 27, kPrintBlack), {{1, 1, 1}, {0, 0.06, 0.25}, 0})};
  for (const Bitmap& faded : prints)
    ExpectReadAsTheFadedPicture(faded, {{"black lid", OnTheGlass(faded, 6, 24, true)},
                                        {"white lid", OnTheGlass(faded, 252, 30, false)}});
}

TEST(EstimateRestoration, DoesNotTakeASkysBlueForALostDye) {
  // A scene whose blue never gets dark, faded: blue's shadows would need its dye to keep far
  // less than any dye keeps, so they are not read as its loss, and the light blue is not
  // stretched down to black either. (This copy lost no light at its corners; they are given a
  // copy's least loss back all the same, which costs a little of the gain.)
  const Bitmap original = BlueFloored(Scene(600, 400, 12), 170);
  const Bitmap faded = Faded(original, {{0.6, 0.7, 0.75}, {0, 0.03, 0.1}, 0});
  const Restoration found = EstimateRestoration(faded, {});
  EXPECT_EQ(found.fading, 100);
  EXPECT_GT(found.levels.blue.gamma, 70);
  EXPECT_LE(found.levels.blue.black, std::lround(LinearToSrgb(std::pow(0.006, kLeastKept))));
  const double before = MeanDifference(faded, original);
  const double after = MeanDifference(Restored(faded, found), original);
  EXPECT_LT(after, before / 1.8) << before << " " << after;
}

// The scene lit less in its middle than at its corners, by `dip` of the light at the centre,
// growing back as r^2: what a copy's fall-off of the same size evens out.
Bitmap CornersLit(Bitmap picture, double dip) {
  const int cy = picture.Height() / 2, cx = picture.Width() / 2;
  const double farthest = FarthestDistance(cx, cy);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const double r = NormalisedDistance(x, y, cx, cy, farthest);
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& byte = picture.ScanLine(y)[3 * x + c];
        byte = static_cast<std::uint8_t>(
            std::lround(LinearToSrgb(SrgbToLinear(byte) * (1 - dip * (1 - r * r)))));
      }
    }
  return picture;
}

TEST(EstimateRestoration, GivesAFadedPrintTheLightItsCopyHidLosing) {
  // The copy's fall-off evens out the scene's lighter corners, so the faded picture shows none;
  // its corners lost light all the same, and their shadows are no deeper than the middle's.
  const Bitmap original = CornersLit(Scene(600, 400, 14), 0.15);
  const Fade fade{{0.55, 0.8, 0.7}, {0, 0.03, 0.1}, 0.15};
  const Bitmap faded = Faded(original, fade);
  const Restoration found = EstimateRestoration(faded, {});
  EXPECT_EQ(found.fading, 100);
  EXPECT_GT(found.positions.corner, 10);
  const ChannelLevels* levels[3] = {&found.levels.red, &found.levels.green, &found.levels.blue};
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(levels[c]->gamma / 100.0, fade.kept[c], 0.1) << c;
  const double before = MeanDifference(faded, original);
  const double after = MeanDifference(Restored(faded, found), original);
  EXPECT_LT(after, before / 2.5) << before << " " << after;

  // The good photograph with the same corners shows no fading and is given no fall-off.
  const Restoration good = EstimateRestoration(original, {});
  EXPECT_EQ(good.fading, 0);
  EXPECT_EQ(good.positions.corner, 0);
  EXPECT_EQ(good.levels, Levels{});
}

// A smooth picture whose linear light at each pixel is `light(x, y)` times a mid grey-blue.
template <typename Light>
Bitmap Smooth(int width, int height, Light light) {
  Bitmap picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        picture.ScanLine(y)[3 * x + 2 - c] = static_cast<std::uint8_t>(
            std::lround(LinearToSrgb(light(x, y) * (c == 2 ? 0.6 : 0.45))));
  return picture;
}

TEST(LightFalloff, TellsADuskSkyFromTheCopysLight) {
  constexpr int kWidth = 300, kHeight = 200;
  const double cy = (kHeight - 1) / 2.0;
  // A sky darkening upwards over its reflection: a fall from the middle, but only up and down.
  const Bitmap dusk = Smooth(kWidth, kHeight, [&](int, int y) {
    const double v = (y - cy) / cy;
    return 1 - 0.45 * v * v;
  });
  EXPECT_LT(MeasureLightFalloff(MakeReducedView(dusk, 300), {1, 2, 3}).amount, 0.05);
}

TEST(ReducedView, PercentileInterpolatesBetweenNeighbours) {
  std::vector<double> values{4, 1, 3, 2, 5};
  EXPECT_DOUBLE_EQ(Percentile(values, 0.0), 1);
  EXPECT_DOUBLE_EQ(Percentile(values, 0.5), 3);
  EXPECT_DOUBLE_EQ(Percentile(values, 0.9), 4.6);
  EXPECT_DOUBLE_EQ(Percentile(values, 1.0), 5);
  std::vector<double> none;
  EXPECT_EQ(Percentile(none, 0.5), 0);
}

// Each channel's linear light of a picture's pixels, as the estimator reads them.
std::array<std::vector<double>, 3> ChannelsOf(const Bitmap& picture) {
  std::array<std::vector<double>, 3> channels;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      for (int c = 0; c < 3; ++c)
        channels[c].push_back(SrgbToLinear(picture.ScanLine(y)[3 * x + 2 - c]));
  return channels;
}

TEST(PrintTone, TellsAWarmTonedPrintFromColourGreyColdAndStained) {
  const Bitmap scene = Scene(300, 200, 25, kPrintBlack);
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Toned(scene, kSepia))), 1);
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Toned(scene, {0.9, 1, 1.15}))), 1) << "a warm tone";
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Toned(scene, kSepia, 1))), 1) << "warmer light tones";
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(scene)), 0) << "colour";
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Grey(scene))), 0) << "grey";
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Toned(scene, {1.3, 1, 0.8}))), 0) << "a cold tone";
  EXPECT_EQ(MeasurePrintTone(ChannelsOf(Faded(Grey(scene), {{1, 1, 1}, {0, 0.04, 0.15}, 0}))), 0)
      << "a grey print whose paper yellowed";
  EXPECT_EQ(MeasurePrintTone({}), 0);
}

}  // namespace
}  // namespace brumel
