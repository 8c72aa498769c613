// Helpers shared by the tests of the correction passes: noise pictures, a byte comparison and
// random control positions and levels.
#pragma once

#include <cstring>
#include <random>

#include "correct/correction_settings.h"
#include "correct/levels.h"
#include "platform/bitmap.h"

namespace brumel::testing {

inline Bitmap RandomBitmap(int width, int height, std::mt19937& random) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (std::size_t i = 0; i < bitmap.Stride(); ++i)
      bitmap.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
  return bitmap;
}

// Whole scan lines, padding included, so a byte written outside the picture shows too.
inline bool SameBytes(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Stride()) != 0) return false;
  return true;
}

inline ControlPositions RandomPositions(std::mt19937& random) {
  const auto in = [&](const ControlRange& control) {
    return std::uniform_int_distribution<int>(control.minimum, control.maximum)(random);
  };
  return {in(kCornerBar), in(kCentreBar), in(kGammaBar),   in(kRedBar),
          in(kGreenBar),  in(kBlueBar),   in(kCurveChoice)};
}

// Random levels in their ranges, the black point below the white one.
inline Levels RandomLevels(std::mt19937& random) {
  const auto channel = [&] {
    const int black = std::uniform_int_distribution<int>(kLevelsBlack.minimum, 254)(random);
    const int white = std::uniform_int_distribution<int>(black + 1, kLevelsWhite.maximum)(random);
    const int gamma =
        std::uniform_int_distribution<int>(kLevelsGamma.minimum, kLevelsGamma.maximum)(random);
    return ChannelLevels{black, white, gamma};
  };
  return {channel(), channel(), channel()};
}

}  // namespace brumel::testing
