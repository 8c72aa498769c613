#include "correct/correct_bitmap.h"

#include <cmath>
#include <cstdint>

#include "correct/fast_correction.h"
#include "correct/levels.h"
#include "platform/error.h"
#include "platform/rounding.h"

namespace brumel {

double CrossOver(double light, double cross, double midLevel) {
  return (light - midLevel) * cross + light;
}

double FarthestDistance(int cx, int cy) {
  const std::int64_t squared =
      static_cast<std::int64_t>(cy) * cy + static_cast<std::int64_t>(cx) * cx;
  return std::sqrt(static_cast<double>(squared));
}

void CheckPassBitmaps(const Bitmap& source, const Bitmap& destination) {
  const PixelFormat format = source.Format();
  if ((format != PixelFormat::Bits24 && format != PixelFormat::Bits48) ||
      destination.Format() != format)
    throw Error("The correction needs 24-bit or 48-bit bitmaps of the same format");
  if (destination.Width() < source.Width() || destination.Height() < source.Height())
    throw Error("The corrected bitmap is smaller than the picture");
}

namespace {

template <ColourSample Sample>
void ReferencePass(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings) {
  const double gamma = settings.Gamma;
  const double midLevel = Power(0.5, gamma);
  const int height = source.Height();
  const int width = source.Width();
  const int cy = height / 2;
  const int cx = width / 2;
  const double farthest = FarthestDistance(cx, cy);
  const auto levelled = LevelsTablesOf<Sample>(settings.levels);
  for (int y = 0; y < height; ++y) {
    const Sample* in = source.SampleLine<Sample>(y);
    Sample* out = destination.SampleLine<Sample>(y);
    for (int x = 0; x < width; ++x) {
      const double r = NormalisedDistance(x, y, cx, cy, farthest);
      const double gain = PixelGain(settings, r);
      const Sample blue = levelled[0][in[3 * x]], green = levelled[1][in[3 * x + 1]],
                   red = levelled[2][in[3 * x + 2]];
      out[3 * x] = CorrectChannel(blue, settings.CrossBlue, gamma, midLevel, gain);
      out[3 * x + 1] = CorrectChannel(green, settings.CrossGreen, gamma, midLevel, gain);
      out[3 * x + 2] = CorrectChannel(red, settings.CrossRed, gamma, midLevel, gain);
    }
  }
}

}  // namespace

void CorrectBitmapReference(const Bitmap& source, Bitmap& destination,
                            const CorrectionSettings& settings) {
  CheckPassBitmaps(source, destination);
  if (source.Format() == PixelFormat::Bits48)
    ReferencePass<std::uint16_t>(source, destination, settings);
  else
    ReferencePass<std::uint8_t>(source, destination, settings);
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
