// Whether a scan went through a scanner's automatic exposure, which stretches the lightness of
// every channel alike: the best-kept channel's lifted black is pushed below the darkest code and
// the paper's white above the lightest, while the other channels keep the cast of their lost
// dyes. Such a scan reaches a black deeper than any print holds, and that black is then the
// scanner's, no sign of a good photograph.
#pragma once

#include "restore/reduced_view.h"

namespace brumel {

// 0 for a picture that keeps its own range, rising to 1 for one clearly stretched: some channel
// piled at the darkest codes and some at the lightest, while the channels' highlights lie alike
// (the paper's or the film's clear base; a scene whose highlights one channel lacks, as an
// orange fog, is no stretched print). Continuous in the picture.
double MeasureScannerStretch(const ReducedView& view);

}  // namespace brumel
