#include "correct/fast_correction.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "correct/correct_bitmap.h"
#include "correct/correction_rows.h"
#include "correct/sample_thresholds.h"

namespace brumel {

namespace {

// Below this many pixels (about 512 x 512) one thread does the whole pass.
constexpr std::int64_t kThreadedPixels = std::int64_t{1} << 18;

// Splits the vertical distances into bands, one per thread, each with its own row of gains.
template <ColourSample Sample>
void RunInBands(const CorrectionRowsOf<Sample>& pass, int threadCount) {
  const int bands = std::clamp(threadCount, 1, pass.Distances());
  std::vector<double> gains(static_cast<std::size_t>(bands) * pass.GainsPerRow());
  InBands(pass.Distances(), bands, [&](int first, int end, int band) {
    pass.MirroredRows(first, end,
                      gains.data() + static_cast<std::size_t>(band) * pass.GainsPerRow());
  });
}

template <ColourSample Sample>
bool CorrectFast(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                 int threadCount) {
  const auto lookup = LastStepLookup<Sample>::ForGamma(settings.Gamma);
  if (!lookup) return false;
  if (source.Empty()) return true;
  RunInBands(CorrectionRowsOf<Sample>(source, destination, settings, *lookup), threadCount);
  return true;
}

}  // namespace

bool CorrectBitmapFast(const Bitmap& source, Bitmap& destination,
                       const CorrectionSettings& settings, int threadCount) {
  CheckPassBitmaps(source, destination);
  if (source.Format() == PixelFormat::Bits48)
    return CorrectFast<std::uint16_t>(source, destination, settings, threadCount);
  return CorrectFast<std::uint8_t>(source, destination, settings, threadCount);
}

void InBands(int count, int threadCount, const std::function<void(int, int, int)>& work) {
  const int bands = std::clamp(threadCount, 1, std::max(1, count));
  const auto band = [&](int i) {
    const auto bound = [&](int b) { return static_cast<int>(std::int64_t{count} * b / bands); };
    work(bound(i), bound(i + 1), i);
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

int CorrectionThreadCount(int width, int height) {
  if (std::int64_t{width} * height < kThreadedPixels) return 1;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace brumel
