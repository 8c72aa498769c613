#include "correct/wide_sample_lookup.h"

#include <cmath>

#include "correct/correction_settings.h"

namespace brumel {

std::optional<WideSampleLookup> WideSampleLookup::ForGamma(double gamma) {
  if (!(gamma >= kLeastGamma && gamma <= kMostGamma)) return std::nullopt;
  // The lowest light whose sample is still below a half: 65535 x light^(1 / gamma) < 0.5.
  const int octaves = static_cast<int>(std::ceil(gamma * std::log2(65535 / 0.5)));
  std::optional<WideSampleLookup> lookup(WideSampleLookup{});
  lookup->lowest_ = std::ldexp(1.0, -octaves);
  lookup->first_ = std::bit_cast<std::uint64_t>(lookup->lowest_) >> kShift;
  const std::size_t count = (static_cast<std::size_t>(octaves) << kPieceBits) + 1;
  lookup->pieces_.resize(count);
  const auto startOf = [&](std::size_t i) {
    return std::bit_cast<double>((lookup->first_ + i) << kShift);
  };
  const auto sample = [gamma](double light) { return Root(light, gamma) * 65535; };
  for (std::size_t i = 0; i + 1 < count; ++i) {
    const double start = startOf(i), end = startOf(i + 1);
    const double value = sample(start);
    lookup->pieces_[i] = {value, (sample(end) - value) / (end - start)};
  }
  lookup->pieces_.back() = {65535, 0};
  return lookup;
}

}  // namespace brumel
