// Rounding a real to an integer the way the whole system does it: to the nearest, ties to even.
#pragma once

#include <cmath>

namespace brumel {

// std::nearbyint under the default rounding mode; std::round would send ties away from zero.
inline double RoundHalfEven(double value) {
  return std::nearbyint(value);
}

}  // namespace brumel
