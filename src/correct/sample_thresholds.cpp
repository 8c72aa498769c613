#include "correct/sample_thresholds.h"

#include <algorithm>
#include <limits>

#include "correct/correction_settings.h"

namespace brumel {

// Half width of a guard band, relative to its step. The step positions and the direct formula
// are each off by no more than about 1e-14 relative (the logarithm of a light near 1e-8 is near
// -18); a band a hundred million times wider leaves no light outside it whose sample could go
// either way, and is still so narrow that hardly any light falls inside.
constexpr double kBand = 1e-6;

std::optional<SampleThresholds> SampleThresholds::ForGamma(double gamma) {
  std::optional<SampleThresholds> thresholds(SampleThresholds{});
  thresholds->gamma_ = gamma;
  std::array<double, 512>& edges = thresholds->edges_;
  for (int k = 1; k <= 255; ++k) {
    const double step = Power((k - 0.5) / 255, gamma);
    edges[2 * k - 2] = step * (1 - kBand);
    edges[2 * k - 1] = step * (1 + kBand);
  }
  edges[510] = edges[511] = std::numeric_limits<double>::infinity();
  if (!thresholds->Fits()) return std::nullopt;
  thresholds->FillBuckets();
  return thresholds;
}

bool SampleThresholds::Fits() const {
  // Written with > so that NaN edges fail.
  if (!(edges_[0] > kLowest && kHighest > edges_[509])) return false;
  for (int i = 0; i + 1 < 510; ++i)
    if (!(edges_[i + 1] > edges_[i])) return false;
  for (int i = 0; i + 2 < 510; ++i)
    if (BucketOf(edges_[i + 2]) == BucketOf(edges_[i])) return false;
  return true;
}

void SampleThresholds::FillBuckets() {
  std::uint64_t from = 0;
  for (int i = 0; i < 510; ++i) {
    const std::uint64_t to = BucketOf(edges_[i]) + 1;
    std::fill(buckets_.begin() + from, buckets_.begin() + to, static_cast<std::uint16_t>(i));
    from = to;
  }
  std::fill(buckets_.begin() + from, buckets_.end(), static_cast<std::uint16_t>(510));
}

}  // namespace brumel
