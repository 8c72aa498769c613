// What brumel-batch says of the inputs a failure left behind, when the failure ended the run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brumel {

// How many of the inputs from firstNotReached on were not reached, the first few by name, and
// the option that goes on past a failure; empty when none are left.
std::string NotReachedText(const std::vector<std::string>& inputs, std::size_t firstNotReached);

}  // namespace brumel
