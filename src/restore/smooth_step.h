// The estimator's soft thresholds: a measure weighs from nothing to all between two values,
// without a jump, so that two nearly equal pictures are never restored far apart.
#pragma once

#include <algorithm>

namespace brumel {

// 0 at or below `from`, 1 at or above `to`, rising smoothly (3t^2 - 2t^3) between.
inline double SmoothStep(double from, double to, double x) {
  const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

}  // namespace brumel
