// A print's cyan dye kept in the dark, or its magenta hung in the light, can lose much of its
// density while the other two keep nearly all: then those two still reach the print's full black,
// and a scanner or a camera copying the print takes that black to a true black, as deep as a good
// photograph's. A true black is otherwise the mark of a good photograph whose shadows a scene's
// colour lifts in one channel, but a scene seldom lifts red or green alone: shadows under a sky
// are blue, the sea and the sky lift blue, a warm light lifts red and green together. So red's
// or green's shadows lifted alone, as far as a dye's loss lifts them, beside two channels alike
// deep, read as a lone dye's loss even beside a true black. Blue alone does not: a sky, the sea
// or a stylised blue lifts it as surely as a lost yellow dye. A sepia print's red lies only a
// little above its other channels' black, far less than a lost dye lifts it, and is not read.
// A slide or a film print loses its cyan and yellow dyes and keeps its magenta: red's and blue's
// shadows lifted together above a deep green. Few scenes' darkest tones are purple, but some
// are (cups, flowers) and lie a little above green's black, so that pair is read only from a
// larger lift than a single dye's.
#include "restore/lone_dye.h"

#include <algorithm>

#include "restore/smooth_step.h"

namespace brumel {

namespace {

// The lesser depth of the two deep channels as a share of the deeper, from which they are not
// alike and at which they clearly are.
constexpr double kUnlikeDeep = 0.7;
constexpr double kAlikeDeep = 0.85;
// The lifted channel's depth as a share of the lesser deep one, from which it is not lifted
// apart and at which it clearly is.
constexpr double kNotApart = 0.85;
constexpr double kClearlyApart = 0.7;
// The share of a print's deepest density the lifted channel keeps, from which its lift is no
// dye's loss (a toner's, a scene's) and at which it clearly is.
constexpr double kNoDyeLoss = 0.85;
constexpr double kClearDyeLoss = 0.7;
// The same for red and blue lifted together beside green.
constexpr double kNoPairLoss = 0.7;
constexpr double kClearPairLoss = 0.6;

// How clearly channel `lifted` alone is lifted beside channels `a` and `b`.
double LiftedAlone(const std::array<ChannelMeasure, 3>& m, int lifted, int a, int b) {
  const double deeper = std::max(m[a].depth, m[b].depth);
  const double lesser = std::min(m[a].depth, m[b].depth);
  if (lesser <= 0) return 0;
  return SmoothStep(kUnlikeDeep, kAlikeDeep, lesser / deeper) *
         SmoothStep(kNotApart, kClearlyApart, m[lifted].depth / lesser) *
         SmoothStep(kNoDyeLoss, kClearDyeLoss, m[lifted].kept);
}

}  // namespace

double MeasureCyanAndYellowLoss(const std::array<ChannelMeasure, 3>& m) {
  if (m[1].depth <= 0) return 0;
  double clearly = 1;
  for (const int lifted : {0, 2})
    clearly = std::min(clearly, SmoothStep(kNotApart, kClearlyApart, m[lifted].depth / m[1].depth) *
                                    SmoothStep(kNoPairLoss, kClearPairLoss, m[lifted].kept));
  return clearly;
}

double MeasureLoneDyeLoss(const std::array<ChannelMeasure, 3>& measures) {
  return std::max(LiftedAlone(measures, 0, 1, 2), LiftedAlone(measures, 1, 0, 2));
}

}  // namespace brumel
