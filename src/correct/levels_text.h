// The levels as the command line writes them: "b:w:g,b:w:g,b:w:g" for red, green and blue, the
// gamma a decimal with at most two decimals ("1", "1.1", "0.95"), "." as the decimal point
// whatever the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "correct/levels.h"

namespace brumel {

// Empty unless the whole text is three channels in range, each black point below its white point.
std::optional<Levels> ParseLevels(std::string_view text);

// The shortest text ParseLevels reads back as the same levels: "0:255:1,12:240:1.1,8:231:0.95".
std::string LevelsText(const Levels& levels);

// What a levels text must be, with the ranges, for a usage message.
std::string LevelsSyntax();

}  // namespace brumel
