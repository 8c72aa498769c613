// The levels step taken before the correction: per channel a black point, a white point and a
// gamma, as the Levels control of a photo editor. It moves each channel's black and white point,
// which the correction's controls cannot, and its gamma undoes a dye's lost density.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "correct/control_range.h"
#include "platform/bitmap.h"

namespace brumel {

// The ranges of one channel's levels; the gamma is in hundredths.
inline constexpr ControlRange kLevelsBlack{"black point", 0, 254, 0};
inline constexpr ControlRange kLevelsWhite{"white point", 1, 255, 255};
inline constexpr ControlRange kLevelsGamma{"levels gamma", 10, 1000, 100};

struct ChannelLevels {
  int black = kLevelsBlack.initial;
  int white = kLevelsWhite.initial;
  int gamma = kLevelsGamma.initial;  // hundredths
  bool operator==(const ChannelLevels&) const = default;
};

struct Levels {
  ChannelLevels red, green, blue;
  bool operator==(const Levels&) const = default;
};

// Every value in its range and the black point below the white point.
bool LevelsInRange(const ChannelLevels& levels);

// What the levels make of each sample value, per channel in the bitmap's byte order (blue,
// green, red): 255 x min(1, max(0, (c - black) / (white - black)))^(100 / gamma), rounded half
// to even. The identity levels give every value back unchanged. Raises the error type for levels
// out of range.
using LevelsTables = std::array<std::array<std::uint8_t, 256>, 3>;
LevelsTables MakeLevelsTables(const Levels& levels);

// The same for 16-bit samples, 65536 values per channel: 65535 x min(1, max(0, (c / 65535 -
// black / 255) / ((white - black) / 255)))^(100 / gamma). The points keep their 8-bit units and
// act as the same fractions of full scale, so one set of levels serves both depths.
using WideLevelsTables = std::array<std::vector<std::uint16_t>, 3>;
WideLevelsTables MakeWideLevelsTables(const Levels& levels);

// The tables of a sample type: MakeLevelsTables for bytes, MakeWideLevelsTables for 16 bits.
template <ColourSample Sample>
auto LevelsTablesOf(const Levels& levels) {
  if constexpr (sizeof(Sample) == 1)
    return MakeLevelsTables(levels);
  else
    return MakeWideLevelsTables(levels);
}

}  // namespace brumel
