// What the estimator found lost, named as a restorer names it: the dyes whose density the
// correction gives back (cyan for the red channel, magenta for green, yellow for blue) and the
// paper's stain that it takes out.
#pragma once

#include <array>
#include <string>

#include "restore/fade_evidence.h"

namespace brumel {

struct LostDyes {
  bool cyan = false, magenta = false, yellow = false, stain = false;
  bool operator==(const LostDyes&) const = default;
};

// From the measures as far as the evidence carries them (CorrectionCarried): a dye counts as
// lost where the correction gives back a clear share of its density, the stain where it takes
// out a clear part of the blue highlights' darkening.
LostDyes FindLostDyes(const std::array<ChannelMeasure, 3>& carried);

// "cyan yellow stain", in that order, the found ones only; empty for none.
std::string LostDyesText(const LostDyes& lost);

}  // namespace brumel
