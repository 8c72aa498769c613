#include "correct/levels.h"

#include <algorithm>
#include <cmath>

#include "platform/bitmap.h"
#include "platform/error.h"
#include "platform/rounding.h"

namespace brumel {

namespace {

bool InRange(const ControlRange& range, int value) {
  return value >= range.minimum && value <= range.maximum;
}

// One channel's table of samples of up to kSampleMax<Sample>, table holding one entry per value.
template <class Sample, class Table>
void FillChannel(const ChannelLevels& levels, Table& table) {
  if (!LevelsInRange(levels)) throw Error("Levels out of range");
  const double span = levels.white - levels.black;
  const double exponent = 100.0 / levels.gamma;
  constexpr double kMax = kSampleMax<Sample>;
  // A sample in the points' 8-bit units; for bytes the factor is 1 and the value exact.
  constexpr double kToByteUnits = 255.0 / kSampleMax<Sample>;
  for (int c = 0; c <= kSampleMax<Sample>; ++c) {
    const double x = std::clamp((c * kToByteUnits - levels.black) / span, 0.0, 1.0);
    table[c] = static_cast<Sample>(RoundHalfEven(kMax * std::pow(x, exponent)));
  }
}

std::array<std::uint8_t, 256> ChannelTable(const ChannelLevels& levels) {
  std::array<std::uint8_t, 256> table;
  FillChannel<std::uint8_t>(levels, table);
  return table;
}

std::vector<std::uint16_t> WideChannelTable(const ChannelLevels& levels) {
  std::vector<std::uint16_t> table(kSampleMax<std::uint16_t> + 1);
  FillChannel<std::uint16_t>(levels, table);
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

WideLevelsTables MakeWideLevelsTables(const Levels& levels) {
  return {WideChannelTable(levels.blue), WideChannelTable(levels.green),
          WideChannelTable(levels.red)};
}

}  // namespace brumel
