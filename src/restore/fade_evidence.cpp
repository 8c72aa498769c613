// Evidence of fading. A faded print loses density in all three dyes, so none of its channels
// reaches a print's deepest black any more; a good photograph, however light its shadows, has
// some part where at least one channel does (a sky or a dusk lifts blue and green, hardly red).
// So the evidence is the lift of the channel that lifted least, 1 - max(kept), rising smoothly
// from kNoLift (what a good print's darkest corner may show) to kClearLift (beyond any good
// print). And since the cyan layer usually loses most and every dye at least a tenth, the red
// channel's own lift must be clear as well (kNoRedLift to kClearRedLift): the sea under a sky
// lifts blue and green shadows a long way and red's hardly. The channels' differences (the
// power law by which each dye lost its own share, the stain in the highlights) are believed
// only as far as the fading is, and less when they are small against the shared lift: haze
// that is the same in all channels is corrected alike, so a weak case may lighten or deepen
// the picture but never tint it. And the fading model is believed only while every channel's
// shadows stay within what a faded dye can lift: a channel whose darkest tones would need a dye
// to keep less than kLeastKept is lifted by the scene (the blue of a sky, the sea, sand), and
// then the shadows tell the scene's colours, not the dyes' losses; the levels go over towards
// the blind per-channel stretch (channel_stretch.h), fully at kSceneReach, not at all from
// kDyeReach up.
#include "restore/fade_evidence.h"

#include <algorithm>

namespace brumel {

namespace {

// The lift of the least-lifted channel at which fading starts and is certain.
constexpr double kNoLift = 0.035;
constexpr double kClearLift = 0.10;
// The lift of the red channel at which fading starts and is certain: the cyan layer usually
// loses most, and every dye at least a tenth, so a faded print's red shadows are lifted clearly;
// a sky or the sea lifts blue and green shadows and leaves red's near black.
constexpr double kNoRedLift = 0.06;
constexpr double kClearRedLift = 0.16;
// The least share of a print's deepest density a channel's darkest tones reach, at which the
// fading model is not believed at all, and from which it is fully. The ramp lies wide about
// kLeastKept: a print's darkest tones are seldom quite its deepest black, so a dye that kept
// little may read a little under its share, and a scene's light blue a little over a dye's.
constexpr double kSceneReach = 0.20;
constexpr double kDyeReach = 0.50;

double SmoothStep(double from, double to, double x) {
  const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double Blend(double none, double measured, double weight) {
  return none + (measured - none) * weight;
}

}  // namespace

FadeEvidence WeighFadeEvidence(const std::array<ChannelMeasure, 3>& measures) {
  double mostKept = 0, leastKept = 1;
  for (const ChannelMeasure& m : measures) {
    mostKept = std::max(mostKept, m.kept);
    leastKept = std::min(leastKept, m.kept);
  }
  FadeEvidence evidence;
  evidence.fading = SmoothStep(kNoLift, kClearLift, 1 - mostKept) *
                    SmoothStep(kNoRedLift, kClearRedLift, 1 - measures[0].kept);
  evidence.perChannel = evidence.fading;
  evidence.stretch = evidence.fading * (1 - SmoothStep(kSceneReach, kDyeReach, leastKept));
  return evidence;
}

std::array<ChannelMeasure, 3> CorrectionCarried(const std::array<ChannelMeasure, 3>& measures,
                                                const FadeEvidence& evidence) {
  double mostKept = kLeastKept;
  for (const ChannelMeasure& m : measures) mostKept = std::max(mostKept, m.kept);
  const double shared = Blend(1, mostKept, evidence.fading);
  std::array<ChannelMeasure, 3> carried;
  for (int c = 0; c < 3; ++c) {
    carried[c].kept =
        std::max(kLeastKept, shared * Blend(1, measures[c].kept / mostKept, evidence.perChannel));
    carried[c].white = Blend(1, measures[c].white, evidence.perChannel);
  }
  return carried;
}

}  // namespace brumel
