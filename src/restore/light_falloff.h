// How the light falls off from the centre of a picture towards its corners, measured from the
// picture itself: 1 - f * s(r), s being the shape of one of the correction's tone curves.
#pragma once

#include <vector>

#include "restore/reduced_view.h"

namespace brumel {

struct LightFalloff {
  int curve = 0;      // the tone curve whose shape the fall-off follows
  double amount = 0;  // f: the share of the light lost at the farthest corner
  // The light at distance r relative to the centre's.
  double At(double r) const;
};

// The shape of a tone curve from 0 at the centre to 1 at the farthest corner.
double CurveShape(int curve, double r);

// The fall-off the picture shows, among the given curves' shapes. Two measures must agree, as
// neither alone tells the light from what the picture shows: the brightest parts ring by ring,
// and the median brightness gradient along the radius (a scene's edges fall as often as they
// rise going outwards), the gradient read apart towards the sides and towards the top and
// bottom, since a copy's light falls off all round and a dusk sky over water only up and down.
// The smallest is taken.
LightFalloff MeasureLightFalloff(const ReducedView& view, const std::vector<int>& curves);

}  // namespace brumel
