#include "correct/levels_text.h"

#include <vector>

namespace brumel {

namespace {

// Enough digits for every value in range, few enough that no sum below can overflow.
constexpr std::size_t kMostDigits = 4;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// A plain run of decimal digits: no sign, no blanks.
std::optional<int> Digits(std::string_view text) {
  if (text.empty() || text.size() > kMostDigits) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "1", "1.1" or "0.95" as hundredths.
std::optional<int> Hundredths(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::optional<int> whole = Digits(text.substr(0, point));
  if (!whole) return std::nullopt;
  if (point == std::string_view::npos) return *whole * 100;
  const std::string_view decimals = text.substr(point + 1);
  const std::optional<int> fraction = Digits(decimals);
  if (!fraction || decimals.size() > 2) return std::nullopt;
  return *whole * 100 + *fraction * (decimals.size() == 1 ? 10 : 1);
}

std::optional<ChannelLevels> ParseChannel(std::string_view text) {
  const std::vector<std::string_view> parts = Split(text, ':');
  if (parts.size() != 3) return std::nullopt;
  const std::optional<int> black = Digits(parts[0]), white = Digits(parts[1]);
  const std::optional<int> gamma = Hundredths(parts[2]);
  if (!black || !white || !gamma) return std::nullopt;
  const ChannelLevels levels{*black, *white, *gamma};
  if (!LevelsInRange(levels)) return std::nullopt;
  return levels;
}

std::string HundredthsText(int hundredths) {
  std::string text = std::to_string(hundredths / 100);
  const int fraction = hundredths % 100;
  if (fraction == 0) return text;
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  return text;
}

std::string ChannelText(const ChannelLevels& levels) {
  return std::to_string(levels.black) + ':' + std::to_string(levels.white) + ':' +
         HundredthsText(levels.gamma);
}

std::string RangeText(const ControlRange& range) {
  return std::to_string(range.minimum) + ".." + std::to_string(range.maximum);
}

}  // namespace

std::optional<Levels> ParseLevels(std::string_view text) {
  const std::vector<std::string_view> channels = Split(text, ',');
  if (channels.size() != 3) return std::nullopt;
  const std::optional<ChannelLevels> red = ParseChannel(channels[0]),
                                     green = ParseChannel(channels[1]),
                                     blue = ParseChannel(channels[2]);
  if (!red || !green || !blue) return std::nullopt;
  return Levels{*red, *green, *blue};
}

std::string LevelsText(const Levels& levels) {
  return ChannelText(levels.red) + ',' + ChannelText(levels.green) + ',' + ChannelText(levels.blue);
}

std::string LevelsSyntax() {
  return "takes black:white:gamma for red, green and blue, as in " + LevelsText(Levels{}) +
         ": a black point " + RangeText(kLevelsBlack) + " below a white point " +
         RangeText(kLevelsWhite) + ", a gamma " + HundredthsText(kLevelsGamma.minimum) + ".." +
         HundredthsText(kLevelsGamma.maximum) + " with at most two decimals";
}

}  // namespace brumel
