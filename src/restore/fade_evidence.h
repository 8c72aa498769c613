// How strongly a picture shows the marks of fading, from what the estimator measured in it.
#pragma once

#include <array>

namespace brumel {

// The linear light of the darkest shadows a print holds (a density of about 2.4), as the view's
// means of a few pixels read them.
inline constexpr double kDeepestShadow = 0.004;
// No dye keeps less of its density than this (prints keep 40 to 90 %); a channel whose darkest
// tones reach less of a print's deepest density is lifted by the scene as well.
inline constexpr double kLeastKept = 0.4;
// The most density a yellowed paper's stain adds to the blue channel's highlights (and more than
// it adds to green's); red's, the paper's own, it never darkens.
inline constexpr double kLargestBlueStain = 0.3;

// What one channel of the picture shows, in linear light with the copy's light fall-off taken
// out: the paper's light against the lightest channel's, the share of a print's deepest density
// its darkest tones reach (1 = they reach it; both 0..1, the share not bounded by kLeastKept),
// and that density itself, unbounded (a true black reads deeper than any print holds); and the
// light of the channel's highlights themselves (up to about 1; taking the fall-off out may lift
// it a little above), which a low-key picture keeps far below white.
struct ChannelMeasure {
  double white = 1;
  double kept = 1;
  double depth = 0;
  double light = 1;
};

struct FadeEvidence {
  // How faded the picture looks, 0 (no sign) to 1 (clearly faded); continuous in the measures.
  double fading = 0;
  // How far the loss all dyes share is believed, 0..1: the part that lightens or deepens the
  // picture alike in every channel.
  double shared = 0;
  // How far the stretch is taken from each channel's own range (the blind stretch) rather than
  // from the fading model, 0..1: no more than the fading, and only where a channel is lifted
  // beyond what a dye can lose.
  double stretch = 0;
  // How surely the dyes lost unequally, 0..1: the channels' shadows lying apart, or one dye's
  // lone loss. Without it the loss all dyes share is believed only as far as a yellowed print's,
  // and their differences, where the paper's stain alone shows fading, a little more than halfway.
  double unequal = 0;
};

// `toned` (0..1, print_tone.h) is how surely the picture is a toned monochrome print: its
// channels' spread and its warm highlights are then its tone, no mark of fading, and are kept.
// `stretched` (0..1, scanner_stretch.h) is how surely a scanner stretched the scan's lightness:
// its true black is then the scanner's and no longer tells a good photograph.
FadeEvidence WeighFadeEvidence(const std::array<ChannelMeasure, 3>& measures, double toned = 0,
                               double stretched = 0);

// The measures moved from "nothing to correct" towards the measured ones as far as the
// evidence carries: the part all channels share with the shared evidence, the part in which
// they differ with the fading (a little more than halfway where the paper's stain alone shows
// it); no channel keeps less than kLeastKept.
std::array<ChannelMeasure, 3> CorrectionCarried(const std::array<ChannelMeasure, 3>& measures,
                                                const FadeEvidence& evidence);

}  // namespace brumel
