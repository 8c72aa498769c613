#include "correct/estimate_restoration.h"

namespace brumel {

// A placeholder until the estimator lands: the held settings, the start-up ones otherwise.
Restoration EstimateRestoration(const Bitmap&, const HeldSettings& held) {
  Restoration result;
  if (held.levels) result.levels = *held.levels;
  ControlPositions& p = result.positions;
  p.corner = held.corner.value_or(p.corner);
  p.centre = held.centre.value_or(p.centre);
  p.gamma = held.gamma.value_or(p.gamma);
  p.red = held.red.value_or(p.red);
  p.green = held.green.value_or(p.green);
  p.blue = held.blue.value_or(p.blue);
  p.curve = held.curve.value_or(p.curve);
  return result;
}

}  // namespace brumel
