#include "correct/correct_bitmap.h"

#include <cmath>
#include <cstdint>

#include "correct/fast_correction.h"
#include "correct/levels.h"
#include "platform/error.h"
#include "platform/rounding.h"

namespace brumel {

double LinearLight(std::uint8_t sample, double gamma) {
  return sample == 0 ? 0.0 : Power(sample / 255.0, gamma);
}

double CrossOver(double light, double cross, double midLevel) {
  return (light - midLevel) * cross + light;
}

std::uint8_t SampleFromLight(double light, double gamma) {
  if (!(light > 0)) return 0;
  const double o = RoundHalfEven(Root(light, gamma) * 255);
  return o > 255 ? 255 : static_cast<std::uint8_t>(o);
}

std::uint8_t CorrectChannel(std::uint8_t sample, double cross, double gamma, double midLevel,
                            double gain) {
  return SampleFromLight(CrossOver(LinearLight(sample, gamma), cross, midLevel) * gain, gamma);
}

double FarthestDistance(int cx, int cy) {
  const std::int64_t squared =
      static_cast<std::int64_t>(cy) * cy + static_cast<std::int64_t>(cx) * cx;
  return std::sqrt(static_cast<double>(squared));
}

void CheckPassBitmaps(const Bitmap& source, const Bitmap& destination) {
  if (source.Format() != PixelFormat::Bits24 || destination.Format() != PixelFormat::Bits24)
    throw Error("The correction needs 24-bit bitmaps");
  if (destination.Width() < source.Width() || destination.Height() < source.Height())
    throw Error("The corrected bitmap is smaller than the picture");
}

void CorrectBitmapReference(const Bitmap& source, Bitmap& destination,
                            const CorrectionSettings& settings) {
  CheckPassBitmaps(source, destination);
  const double gamma = settings.Gamma;
  const double midLevel = Power(0.5, gamma);
  const int height = source.Height();
  const int width = source.Width();
  const int cy = height / 2;
  const int cx = width / 2;
  const double farthest = FarthestDistance(cx, cy);
  const LevelsTables levelled = MakeLevelsTables(settings.levels);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = source.ScanLine(y);
    std::uint8_t* out = destination.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const double r = NormalisedDistance(x, y, cx, cy, farthest);
      const double gain = PixelGain(settings, r);
      const std::uint8_t blue = levelled[0][in[3 * x]], green = levelled[1][in[3 * x + 1]],
                         red = levelled[2][in[3 * x + 2]];
      out[3 * x] = CorrectChannel(blue, settings.CrossBlue, gamma, midLevel, gain);
      out[3 * x + 1] = CorrectChannel(green, settings.CrossGreen, gamma, midLevel, gain);
      out[3 * x + 2] = CorrectChannel(red, settings.CrossRed, gamma, midLevel, gain);
    }
  }
}

void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings) {
  CorrectBitmap(source, destination, settings,
                CorrectionThreadCount(source.Width(), source.Height()));
}

void CorrectBitmap(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                   int threadCount) {
  if (!CorrectBitmapFast(source, destination, settings, threadCount))
    CorrectBitmapReference(source, destination, settings);
}

}  // namespace brumel
