// The fade-correction pass over a 24-bit bitmap: linear light through the gamma, the colour
// cross-over around mid-grey, the gain of the tone curve by distance from the centre, and back.
#pragma once

#include <cmath>
#include <cstdint>

#include "correct/correction_settings.h"
#include "platform/bitmap.h"

namespace brumel {

// Corrects source into destination (which may be the same bitmap, and must be at least as large),
// the settings' levels first. Raises the error type for bitmaps that are not 24 bits and for
// levels out of range.
void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings);
// The same on the given number of threads (at least one), for a caller that keeps the other
// cores busy itself.
void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                   int threadCount);

// The direct form: every sample of every pixel computed afresh, exactly as the definition reads,
// after the levels' table. It is the reference that any faster pass must equal byte for byte.
void CorrectBitmapReference(const Bitmap& source, Bitmap& destination,
                            const CorrectionSettings& settings);

// One sample through the whole transform, given its channel's cross-over factor, the gamma,
// MidLevel = Power(0.5, gamma) and the pixel's gain: the three steps below, in this order, with
// the light of the cross-over multiplied by the gain in between.
std::uint8_t CorrectChannel(std::uint8_t sample, double cross, double gamma, double midLevel,
                            double gain);

// A sample's linear light; 0 for sample 0, which never reaches a logarithm.
double LinearLight(std::uint8_t sample, double gamma);
// The colour cross-over of a linear light around mid-grey.
double CrossOver(double light, double cross, double midLevel);
// Linear light back to a sample: root, scale, round half to even, clamp; 0 unless light > 0.
std::uint8_t SampleFromLight(double light, double gamma);

// The gain of a pixel at normalised distance r. Inline, as the distance below, so that the fast
// pass's loop over a row's gains is compiled with the curve choice taken out of it.
inline double PixelGain(const CorrectionSettings& settings, double r) {
  return CurveValue(settings, r) + 1;
}

// The normalised distance of pixel (x, y) from the centre (cx, cy), D being the farthest
// distance; a 1 x 1 bitmap (D = 0) has r = 0.
inline double NormalisedDistance(int x, int y, int cx, int cy, double farthest) {
  if (farthest == 0) return 0;
  const std::int64_t dy = static_cast<std::int64_t>(cy) - y;
  const std::int64_t dx = static_cast<std::int64_t>(cx) - x;
  const std::int64_t q = dy * dy + dx * dx;
  return std::sqrt(static_cast<double>(q)) / farthest;
}
// The farthest distance D of a picture whose centre is (cx, cy): the distance to pixel (0, 0).
double FarthestDistance(int cx, int cy);

// Checks the formats and sizes a pass needs; raises the error type otherwise.
void CheckPassBitmaps(const Bitmap& source, const Bitmap& destination);

}  // namespace brumel
