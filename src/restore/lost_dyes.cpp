#include "restore/lost_dyes.h"

#include <cmath>

namespace brumel {

namespace {

// The least share of a dye's density given back for it to be named lost: less than this hardly
// shows, and a weak reading of the evidence carries about that much.
constexpr double kNamedLoss = 0.12;
// The least density of stain taken out of the blue highlights for the stain to be named.
constexpr double kNamedStain = 0.05;

}  // namespace

LostDyes FindLostDyes(const std::array<ChannelMeasure, 3>& carried) {
  LostDyes lost;
  lost.cyan = carried[0].kept <= 1 - kNamedLoss;
  lost.magenta = carried[1].kept <= 1 - kNamedLoss;
  lost.yellow = carried[2].kept <= 1 - kNamedLoss;
  lost.stain = -std::log10(carried[2].white) >= kNamedStain;
  return lost;
}

std::string LostDyesText(const LostDyes& lost) {
  std::string text;
  const auto add = [&text](bool found, const char* word) {
    if (!found) return;
    if (!text.empty()) text += ' ';
    text += word;
  };
  add(lost.cyan, "cyan");
  add(lost.magenta, "magenta");
  add(lost.yellow, "yellow");
  add(lost.stain, "stain");
  return text;
}

}  // namespace brumel
