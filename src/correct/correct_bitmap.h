// The fade-correction pass over a 24- or 48-bit bitmap: linear light through the gamma, the colour
// cross-over around mid-grey, the gain of the tone curve by distance from the centre, and back.
#pragma once

#include <cmath>
#include <cstdint>

#include "correct/correction_settings.h"
#include "platform/bitmap.h"
#include "platform/rounding.h"

namespace brumel {

// Corrects source into destination (which may be the same bitmap, and must be at least as large),
// the settings' levels first. Both are 24 bits, or both 48 (16-bit samples, each within one unit
// of the formula of CorrectBitmapReference). Raises the error type for other formats and for
// levels out of range.
void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings);
// The same on the given number of threads (at least one), for a caller that keeps the other
// cores busy itself.
void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                   int threadCount);

// The direct form: every sample of every pixel computed afresh, exactly as the definition reads,
// after the levels' table. It is the reference that any faster pass must equal byte for byte
// at 24 bits, and come within one unit of at 48.
void CorrectBitmapReference(const Bitmap& source, Bitmap& destination,
                            const CorrectionSettings& settings);

// One sample through the whole transform, given its channel's cross-over factor, the gamma,
// MidLevel = Power(0.5, gamma) and the pixel's gain: the three steps below, in this order, with
// the light of the cross-over multiplied by the gain in between. Every step serves bytes and
// 16-bit samples alike, full scale being 255 or 65535.
template <ColourSample Sample>
Sample CorrectChannel(Sample sample, double cross, double gamma, double midLevel, double gain);

// A sample's linear light; 0 for sample 0, which never reaches a logarithm.
template <ColourSample Sample>
double LinearLight(Sample sample, double gamma) {
  return sample == 0 ? 0.0 : Power(sample / static_cast<double>(kSampleMax<Sample>), gamma);
}
// The colour cross-over of a linear light around mid-grey.
double CrossOver(double light, double cross, double midLevel);
// Linear light back to a sample: root, scale, round half to even, clamp; 0 unless light > 0.
template <ColourSample Sample = std::uint8_t>
Sample SampleFromLight(double light, double gamma) {
  if (!(light > 0)) return 0;
  const double o = RoundHalfEven(Root(light, gamma) * kSampleMax<Sample>);
  return o > kSampleMax<Sample> ? kSampleMax<Sample> : static_cast<Sample>(o);
}

template <ColourSample Sample>
Sample CorrectChannel(Sample sample, double cross, double gamma, double midLevel, double gain) {
  return SampleFromLight<Sample>(CrossOver(LinearLight(sample, gamma), cross, midLevel) * gain,
                                 gamma);
}

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

// Checks the formats and sizes a pass needs (24 bits, or 48, both alike); raises the error type
// otherwise.
void CheckPassBitmaps(const Bitmap& source, const Bitmap& destination);

}  // namespace brumel
