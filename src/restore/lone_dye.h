// Whether one dye alone lost much of its density while the other two kept nearly all of theirs,
// or two lost much beside one that kept nearly all (a film's magenta).
#pragma once

#include <array>

#include "restore/fade_evidence.h"

namespace brumel {

// How clearly (0..1, continuous in the measures) red's or green's shadows alone are lifted as a
// lost cyan or magenta dye lifts them, beside two channels that reach alike deep.
double MeasureLoneDyeLoss(const std::array<ChannelMeasure, 3>& measures);

// How clearly (0..1, continuous in the measures) red's and blue's shadows are both lifted, as a
// film's lost cyan and yellow dyes lift them, beside a green that kept its depth.
double MeasureCyanAndYellowLoss(const std::array<ChannelMeasure, 3>& measures);

}  // namespace brumel
