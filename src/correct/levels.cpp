#include "correct/levels.h"

#include <algorithm>
#include <cmath>

#include "platform/error.h"
#include "platform/rounding.h"

namespace brumel {

namespace {

bool InRange(const ControlRange& range, int value) {
  return value >= range.minimum && value <= range.maximum;
}

std::array<std::uint8_t, 256> ChannelTable(const ChannelLevels& levels) {
  if (!LevelsInRange(levels)) throw Error("Levels out of range");
  const double span = levels.white - levels.black;
  const double exponent = 100.0 / levels.gamma;
  std::array<std::uint8_t, 256> table;
  for (int c = 0; c < 256; ++c) {
    const double x = std::clamp((c - levels.black) / span, 0.0, 1.0);
    table[c] = static_cast<std::uint8_t>(RoundHalfEven(255 * std::pow(x, exponent)));
  }
  return table;
}

}  // namespace

bool LevelsInRange(const ChannelLevels& levels) {
  return InRange(kLevelsBlack, levels.black) && InRange(kLevelsWhite, levels.white) &&
         InRange(kLevelsGamma, levels.gamma) && levels.black < levels.white;
}

LevelsTables MakeLevelsTables(const Levels& levels) {
  return {ChannelTable(levels.blue), ChannelTable(levels.green), ChannelTable(levels.red)};
}

}  // namespace brumel
