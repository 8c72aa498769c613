// The last step of the 16-bit correction (root, scale, round, clamp) as a lookup. A sample is
// 65535 x light^(1 / gamma), a smooth curve, so it is followed along straight pieces, 256 to each
// power of two of the light, found from the double's exponent and top mantissa bits: a piece that
// short strays from the curve by at most a quarter of a sample, so the result is within one unit
// of the direct formula, where a root for every sample would cost as much as the rest of the pass.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <vector>

namespace brumel {

class WideSampleLookup {
 public:
  // Empty for a gamma outside kLeastGamma..kMostGamma, where the pieces would stray further;
  // the gammas the controls can set lie well inside.
  static std::optional<WideSampleLookup> ForGamma(double gamma);

  // Within one unit of SampleFromLight<std::uint16_t>(light, gamma) for every light, NaN and
  // infinities included.
  std::uint16_t Sample(double light) const {
    // Written so that NaN goes to the lowest light, as it goes to 0 in the direct formula.
    const double above = light > lowest_ ? light : lowest_;
    const double clamped = above < 1.0 ? above : 1.0;
    const std::uint64_t top = std::bit_cast<std::uint64_t>(clamped) >> kShift;
    const Piece& piece = pieces_[top - first_];
    const double start = std::bit_cast<double>(top << kShift);
    return static_cast<std::uint16_t>(piece.value + piece.slope * (clamped - start) + 0.5);
  }

  static constexpr double kLeastGamma = 0.5;
  static constexpr double kMostGamma = 4;
  // Pieces per power of two: 2^kPieceBits.
  static constexpr int kPieceBits = 8;

 private:
  struct Piece {
    double value = 0, slope = 0;
  };
  static constexpr int kShift = 52 - kPieceBits;

  WideSampleLookup() = default;

  // Below the lowest light every sample is 0; it is a power of two, where a piece starts.
  double lowest_ = 0;
  std::uint64_t first_ = 0;
  // From the lowest light up, and a last one for the light 1 and above.
  std::vector<Piece> pieces_;
};

}  // namespace brumel
