// The levels of a blind per-channel stretch, and the way towards them from the levels the
// fading model gives, for a picture whose shadows cannot tell the dyes' losses apart.
#pragma once

#include "correct/levels.h"
#include "restore/reduced_view.h"

namespace brumel {

// Per channel, the black and white points at which the view's darkest and brightest
// twentieth of a per cent lie, gamma 1; the black point no higher than `liftedBlack` (a share
// of the white point's linear light), the lightest that fading makes of a print's black; and
// where a channel's darkest tones lie beyond that and its highlights lack more than a stain
// darkens them, its white point going up to the full range.
Levels StretchLevels(const ReducedView& view, double liftedBlack);

// The levels moved from `model` towards `stretch` by `weight` (0..1), each value rounded and
// kept in its range, the black point below the white.
Levels BlendLevels(const Levels& model, const Levels& stretch, double weight);

}  // namespace brumel
