#include "cli/not_reached.h"

#include <algorithm>

namespace brumel {

namespace {

// Enough names to recognise where the run stopped, few enough to keep the line short.
constexpr std::size_t kNamesShown = 3;

}  // namespace

std::string NotReachedText(const std::vector<std::string>& inputs, std::size_t firstNotReached) {
  if (firstNotReached >= inputs.size()) return {};
  const std::size_t left = inputs.size() - firstNotReached;
  const std::size_t named = std::min(left, kNamesShown);
  std::string text = std::to_string(left) + (left == 1 ? " input" : " inputs") + " not reached: ";
  for (std::size_t i = 0; i < named; ++i) text += (i > 0 ? ", " : "") + inputs[firstNotReached + i];
  if (left > named) text += " and " + std::to_string(left - named) + " more";
  return text + " (--keep-going goes on after a failure)";
}

}  // namespace brumel
