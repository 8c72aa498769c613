// A reduced view of a picture for the estimator: a pixel for every s-th pixel of every s-th row,
// the mean of a few pixels about it, in linear light, with each pixel's distance from the centre as
// the correction pass measures it.
#pragma once

#include <array>
#include <vector>

#include "platform/bitmap.h"

namespace brumel {

struct ReducedView {
  int width = 0, height = 0;
  // Full-size pixels per view pixel, and the normalised distance one view pixel spans.
  int step = 1;
  double distancePerPixel = 0;
  // The picture's centre in view pixels (a view that lost a frame keeps the picture's).
  double centreX = 0, centreY = 0;
  // Per view pixel, row by row: linear light of red, green and blue, and the distance r (0..1).
  std::vector<std::array<double, 3>> light;
  std::vector<double> distance;
};

// The view whose longer side is at most longSide pixels; a 24-bit picture.
ReducedView MakeReducedView(const Bitmap& picture, int longSide);

// An 8-bit sRGB sample's linear light, and back (0..255, not rounded).
double SrgbToLinear(int sample);
double LinearToSrgb(double light);

// The share of a channel's pixels at or below its highlights: the lightest half per cent is
// left to specular glints and a JPEG's or grain's strays.
inline constexpr double kHighlightShare = 0.995;

// The value below which the given fraction (0..1) of the values lie, interpolated between
// neighbours; reorders values. 0 for no values.
double Percentile(std::vector<double>& values, double fraction);

}  // namespace brumel
