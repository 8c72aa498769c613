// Evidence of fading. Two marks tell a faded print from a good photograph, and either suffices:
// - The dyes lost unequally, so the channels' shadows lie apart like a veil: one channel's
//   darkest tones far lighter than another's, 1 - min(kept) / max(kept), from kNoSpread to
//   kClearSpread, whichever dye lost most.
// - The paper yellowed: blue's highlights darkest, green's between, from kNoStain to
//   kClearStain in density. A stain shows in the paper's white, so it counts only as far as
//   the lightest channel's highlights come near white (kNoPaper to kClearPaper): in a low-key
//   picture, dark all over, the highlights' colour is the scene's light (an autumn wood's).
// A good photograph shows a spread too where a scene's colour fills its shadows (a sky, a dusk,
// the sea), but then its deepest channel reaches a true black, deeper than a print holds (a
// faded print's best-kept dye lost some of its density as well): so either mark counts only as
// far as the deepest channel stays within a print's black (kPrintDepth to kTrueBlackDepth), or
// as far as a scanner's automatic exposure made that black (scanner_stretch.h) while every
// channel's lift is one a dye can make: beside a channel lifted further (a sky, the sea) a
// clipped black is a camera's or a restorer's stretch, and a second pass must leave it; nor
// where red's or green's shadows alone are lifted as a lost dye lifts them, or red's and blue's
// together above green's as a film's lost cyan and yellow lift them (lone_dye.h). A
// lift alike in every channel is no mark at all, and a veil so light that even the deepest
// channel reaches less than kVeilReach of a print's black is haze, fog or a high-key exposure.
// That reach is counted from the picture's lightest tones, not from white: a copy exposed dimly
// darkens a faded print's shadows as much as its paper, while a haze at dusk, whose lightest
// tones are dim, lifts its shadows as near to them as a haze by day.
// A toned monochrome print (print_tone.h) shows a spread and warm highlights that are its tone,
// and it is kept: neither is then a mark. The channels' differences are corrected as far as the
// fading carries, but where only the paper's stain shows it, no further than
// kDifferencesBesideStain: a yellowed print's dyes kept fairly, and the differences of its
// channels' shadows are then as likely the scene's colour as the dyes' loss. The loss they
// share (the lift of the least-lifted channel, 1 - max(kept), from kNoLift to kClearLift) only
// as far as the fading is believed too, so a weak case may lighten or deepen the picture but
// never tint it, and only as far as the dyes lost unequally: a stain alone tells a yellowed
// paper, not dyes that lost much (kKeptAlikeAtMost). And the fading model is believed only
// while every channel's shadows stay within what a faded dye can lift: a channel whose darkest
// tones would need a dye to keep less than kLeastKept is lifted by the scene (the blue of a
// sky, the sea, sand), and then the shadows tell the scene's colours, not the dyes' losses; the
// levels go over towards the blind per-channel stretch (channel_stretch.h), fully at
// kSceneReach, not at all from kDyeReach up; but a red or green lifted alone beside two deep
// channels is a lost dye's however far it is lifted, and keeps the model. Red and blue lifted
// together that far are as likely a scene's (a blue fog over a warm shore) and still go over.
#include "restore/fade_evidence.h"

#include <algorithm>
#include <cmath>

#include "restore/lone_dye.h"
#include "restore/smooth_step.h"

namespace brumel {

namespace {

// The lift of the least-lifted channel at which fading starts and is certain.
constexpr double kNoLift = 0.035;
constexpr double kClearLift = 0.10;
// The spread of the channels' shadows at which unequal fading starts and is certain.
constexpr double kNoSpread = 0.05;
constexpr double kClearSpread = 0.20;
// The density of the deepest channel's darkest tones up to which a spread is believed, and from
// which it is not: a print's black, and a black no print holds.
constexpr double kPrintDepth = 2.3;
constexpr double kTrueBlackDepth = 2.6;
// The density the paper's stain adds to the blue channel's highlights (against the lightest
// channel's) at which a stain starts to count as fading and is certain.
constexpr double kNoStain = 0.06;
constexpr double kClearStain = 0.18;
// The linear light of the lightest channel's highlights below which they show no paper, and
// from which they clearly do: a yellowed print's scan holds its paper at 0.5 or above even when
// dimly exposed, a low-key picture's lightest tones stay near 0.25.
constexpr double kNoPaper = 0.25;
constexpr double kClearPaper = 0.45;
// The least share of a print's deepest density a channel's darkest tones reach, at which the
// fading model is not believed at all, and from which it is fully. The ramp lies wide about
// kLeastKept: a print's darkest tones are seldom quite its deepest black, so a dye that kept
// little may read a little under its share, and a scene's light blue a little over a dye's.
constexpr double kSceneReach = 0.20;
// Where even the deepest channel is lifted that far, a veil lies over the whole picture that no
// fading makes: haze, fog, a high-key exposure.
constexpr double kVeilReach = 0.30;
constexpr double kDyeReach = 0.50;
// Dyes that lost much lost it unequally (cyan most in the dark, magenta and yellow in the light,
// cyan and yellow in a slide), so a picture whose channels lie alike and whose mark of fading is
// its paper's stain alone kept its dyes fairly: the loss they share goes no further than this.
// Its shadows lying lighter than that are the scene's (an autumn wood's, a fog's), and deepening
// them to a print's black made a yellowed print darker than left alone.
constexpr double kKeptAlikeAtMost = 0.85;
// The share of the channels' differences corrected where the stain alone shows fading: as likely
// the scene's as the dyes', they are met a little more than halfway (all the way, scenetext01's
// yellowed print, its blue shadows lifted by the scene, came out yellow-green; halfway, a grey
// scene's extra loss of green stayed half, and more than this brought scenetext01's back).
constexpr double kDifferencesBesideStain = 0.65;

double Blend(double none, double measured, double weight) {
  return none + (measured - none) * weight;
}

}  // namespace

FadeEvidence WeighFadeEvidence(const std::array<ChannelMeasure, 3>& measures, double toned,
                               double stretched) {
  double mostKept = 0, leastKept = 1, deepest = 0, lightest = 0;
  for (const ChannelMeasure& m : measures) {
    mostKept = std::max(mostKept, m.kept);
    leastKept = std::min(leastKept, m.kept);
    deepest = std::max(deepest, m.depth);
    lightest = std::max(lightest, m.light);
  }
  const double spread = mostKept > 0 ? 1 - leastKept / mostKept : 0;
  // A yellow stain: blue's highlights darkest, green's between.
  const double blueStain = -std::log10(measures[2].white);
  const double greenStain = -std::log10(measures[1].white);
  const double stain = greenStain <= blueStain ? blueStain : 0;
  const double paper = SmoothStep(kNoPaper, kClearPaper, lightest);
  // The deepest channel's reach below the lightest tones, as a share of a print's black.
  const double reach =
      mostKept - std::max(0.0, std::log10(1 / std::max(lightest, kDeepestShadow))) /
                     -std::log10(kDeepestShadow);
  FadeEvidence evidence;
  const double untoned = 1 - std::clamp(toned, 0.0, 1.0);
  const double lone = MeasureLoneDyeLoss(measures);
  const double lostBesideKept = std::max(lone, MeasureCyanAndYellowLoss(measures));
  const double trueBlack =
      SmoothStep(kPrintDepth, kTrueBlackDepth, deepest) *
      (1 - std::clamp(stretched, 0.0, 1.0) * SmoothStep(kLeastKept, kDyeReach, leastKept)) *
      (1 - lostBesideKept);
  const double apart = SmoothStep(kNoSpread, kClearSpread, spread);
  evidence.fading = std::max(apart, SmoothStep(kNoStain, kClearStain, stain) * paper) * untoned *
                    (1 - trueBlack) * SmoothStep(kVeilReach, kDyeReach, reach);
  evidence.shared = SmoothStep(kNoLift, kClearLift, 1 - mostKept) * evidence.fading;
  evidence.unequal = std::max(apart, lostBesideKept);
  evidence.stretch =
      evidence.fading * (1 - SmoothStep(kSceneReach, kDyeReach, leastKept)) * (1 - lone);
  return evidence;
}

std::array<ChannelMeasure, 3> CorrectionCarried(const std::array<ChannelMeasure, 3>& measures,
                                                const FadeEvidence& evidence) {
  double mostKept = kLeastKept;
  for (const ChannelMeasure& m : measures) mostKept = std::max(mostKept, m.kept);
  const double sharedKept =
      std::max(mostKept, Blend(kKeptAlikeAtMost, mostKept, evidence.unequal));
  const double shared = Blend(1, sharedKept, evidence.shared);
  const double differences = std::max(std::min(evidence.fading, evidence.unequal),
                                      kDifferencesBesideStain * evidence.fading);
  // Only the share kept and the paper's white are carried; what was read of the picture stays.
  std::array<ChannelMeasure, 3> carried = measures;
  for (int c = 0; c < 3; ++c) {
    carried[c].kept =
        std::max(kLeastKept, shared * Blend(1, measures[c].kept / mostKept, differences));
    carried[c].white = Blend(1, measures[c].white, evidence.fading);
  }
  return carried;
}

}  // namespace brumel
