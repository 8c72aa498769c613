#include "correct/fast_correction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

#include "correct/correct_bitmap.h"
#include "correct/sample_thresholds.h"

namespace brumel {

namespace {

// Below this many pixels (about 512 x 512) one thread does the whole pass.
constexpr std::int64_t kThreadedPixels = std::int64_t{1} << 18;

// The light after the cross-over, per channel in byte order (blue, green, red) and sample value:
// it does not depend on the pixel.
using LightTables = std::array<std::array<double, 256>, 3>;

LightTables CrossedLight(const CorrectionSettings& settings) {
  const double midLevel = Power(0.5, settings.Gamma);
  const double cross[3] = {settings.CrossBlue, settings.CrossGreen, settings.CrossRed};
  LightTables tables;
  for (int c = 0; c < 256; ++c) {
    const double light = LinearLight(static_cast<std::uint8_t>(c), settings.Gamma);
    for (int channel = 0; channel < 3; ++channel)
      tables[channel][c] = CrossOver(light, cross[channel], midLevel);
  }
  return tables;
}

// The rows at vertical distance d above and below the centre have the same gains, and within a
// row so do the columns at horizontal distance dx left and right of it.
class Pass {
 public:
  Pass(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
       const SampleThresholds& thresholds)
      : source_(source),
        destination_(destination),
        settings_(settings),
        thresholds_(thresholds),
        light_(CrossedLight(settings)),
        height_(source.Height()),
        width_(source.Width()),
        cy_(height_ / 2),
        cx_(width_ / 2),
        farthest_(FarthestDistance(cx_, cy_)) {}

  // The vertical distances 0..cy cover every row: cy + d is never more than the last row.
  int Distances() const { return cy_ + 1; }
  int GainsPerRow() const { return cx_ + 1; }

  // Corrects the rows at the vertical distances first..end - 1, with room for one row's gains.
  void Rows(int first, int end, double* gains) const {
    // Local copies: the gains written below could otherwise alias the settings, and the curve
    // choice could not be taken out of the loop.
    const CorrectionSettings settings = settings_;
    const double farthest = farthest_;
    for (int d = first; d < end; ++d) {
      for (int dx = 0; dx <= cx_; ++dx)
        gains[dx] = PixelGain(settings, NormalisedDistance(dx, d, 0, 0, farthest));
      Row(cy_ - d, gains);
      if (d > 0 && cy_ + d < height_) Row(cy_ + d, gains);
    }
  }

 private:
  void Row(int y, const double* gains) const {
    const std::uint8_t* in = source_.ScanLine(y);
    std::uint8_t* out = destination_.ScanLine(y);
    // Local names, so that the compiler need not reload them after every byte it writes.
    const SampleThresholds& thresholds = thresholds_;
    const LightTables& light = light_;
    const int width = width_, cx = cx_;
    const double lowest = thresholds.Lowest(), highest = thresholds.Highest();
    for (int x = 0; x < width; ++x) {
      const double gain = gains[std::abs(x - cx)];
      const std::uint8_t blue = in[3 * x], green = in[3 * x + 1], red = in[3 * x + 2];
      out[3 * x] = thresholds.Sample(light[0][blue] * gain, lowest, highest);
      out[3 * x + 1] = thresholds.Sample(light[1][green] * gain, lowest, highest);
      out[3 * x + 2] = thresholds.Sample(light[2][red] * gain, lowest, highest);
    }
  }

  const Bitmap& source_;
  Bitmap& destination_;
  const CorrectionSettings& settings_;
  const SampleThresholds& thresholds_;
  const LightTables light_;
  const int height_, width_, cy_, cx_;
  const double farthest_;
};

// Splits the vertical distances into bands, one per thread; the calling thread takes the first.
void RunInBands(const Pass& pass, int threadCount) {
  const int bands = std::clamp(threadCount, 1, pass.Distances());
  std::vector<double> gains(static_cast<std::size_t>(bands) * pass.GainsPerRow());
  const auto band = [&](int i) {
    const auto bound = [&](int b) {
      return static_cast<int>(std::int64_t{pass.Distances()} * b / bands);
    };
    pass.Rows(bound(i), bound(i + 1),
              gains.data() + static_cast<std::size_t>(i) * pass.GainsPerRow());
  };
  std::vector<std::jthread> workers;
  workers.reserve(static_cast<std::size_t>(bands));
  for (int i = 1; i < bands; ++i) {
    // A thread the system refuses only costs time: its band is done here instead.
    try {
      workers.emplace_back(band, i);
    } catch (const std::system_error&) {
      band(i);
    }
  }
  band(0);
}

}  // namespace

bool CorrectBitmapFast(const Bitmap& source, Bitmap& destination,
                       const CorrectionSettings& settings, int threadCount) {
  CheckPassBitmaps(source, destination);
  const std::optional<SampleThresholds> thresholds = SampleThresholds::ForGamma(settings.Gamma);
  if (!thresholds) return false;
  if (source.Empty()) return true;
  RunInBands(Pass(source, destination, settings, *thresholds), threadCount);
  return true;
}

int CorrectionThreadCount(int width, int height) {
  if (std::int64_t{width} * height < kThreadedPixels) return 1;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace brumel
