// The last step of the correction (root, scale, round, clamp) as a lookup. For one gamma the
// sample is a step function of the linear light v with 255 steps, at v = ((k - 0.5) / 255)^gamma,
// so it is found by comparing v with the step positions instead of taking a root.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>

#include "correct/correct_bitmap.h"

namespace brumel {

class SampleThresholds {
 public:
  // Empty for a gamma whose steps do not fit the bucket table (outside about 0.24 to 3.11);
  // the gammas the controls can set always fit.
  static std::optional<SampleThresholds> ForGamma(double gamma);

  // Equals SampleFromLight(light, gamma) for every light, NaN and infinities included.
  std::uint8_t Sample(double light) const { return Sample(light, lowest_, highest_); }

  // The same with the bounds Lowest() and Highest() passed in, for a loop that holds them in
  // registers: after every byte it writes the compiler would otherwise reload them.
  std::uint8_t Sample(double light, double lowest, double highest) const {
    // Written so that NaN goes to the lowest value, as it goes to 0 in the direct formula. The
    // bounds are not constants: against constants the compiler branches instead of taking the
    // minimum and maximum instructions, and the branches are unpredictable.
    const double above = light > lowest ? light : lowest;
    const double clamped = above < highest ? above : highest;
    const int below = buckets_[BucketOf(clamped)];
    const int passed = below + (clamped >= edges_[below]) + (clamped >= edges_[below + 1]);
    if (passed & 1) return SampleFromLight(light, gamma_);
    return static_cast<std::uint8_t>(passed >> 1);
  }

  double Lowest() const { return lowest_; }
  double Highest() const { return highest_; }

  // Lower and upper edge of the guard band around step k (1..255); inside it the direct formula
  // decides, so rounding in the step position or in the formula's logarithm never shows.
  double BandLow(int k) const { return edges_[2 * k - 2]; }
  double BandHigh(int k) const { return edges_[2 * k - 1]; }

  // Every light that is not above 2^-28 gives 0, every light from 1 on gives 255: all steps of
  // the gammas 1 to 3 lie in between.
  static constexpr double kLowest = 0x1p-28;
  static constexpr double kHighest = 0x1.fffffffffffffp-1;
  // The buckets split each power of two into 512, finer than the closest two steps (0.39 %
  // apart at gamma 1), so no bucket holds more than two band edges.
  static constexpr int kShift = 52 - 9;
  static constexpr std::uint64_t kFirstBucket = std::bit_cast<std::uint64_t>(kLowest) >> kShift;
  static constexpr std::uint64_t kBucketCount =
      (std::bit_cast<std::uint64_t>(1.0) >> kShift) - kFirstBucket;

 private:
  SampleThresholds() = default;
  // The bucket of a light from kLowest to kHighest: its exponent and top 9 mantissa bits.
  static std::uint64_t BucketOf(double light) {
    return (std::bit_cast<std::uint64_t>(light) >> kShift) - kFirstBucket;
  }
  bool Fits() const;
  void FillBuckets();

  double gamma_ = 0;
  double lowest_ = kLowest;
  double highest_ = kHighest;
  // The 510 band edges in increasing order, then two that no light reaches.
  std::array<double, 512> edges_{};
  // Per bucket, how many band edges lie in the buckets below it; Sample compares the light with
  // the (at most two) that lie in its own.
  std::array<std::uint16_t, kBucketCount> buckets_{};
};

}  // namespace brumel
