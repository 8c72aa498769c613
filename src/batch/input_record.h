// What became of one input of a run, told as soon as the input ends.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "restore/estimate_restoration.h"

namespace brumel {

enum class InputStatus { Written, Skipped, Failed };

struct InputRecord {
  std::string input = {};
  std::string output = {};
  InputStatus status = InputStatus::Written;
  std::string reason = {};  // why it was skipped or failed
  int width = 0;            // of the picture loaded, 0 when none was
  int height = 0;
  double seconds = 0;
  // The settings found for the picture, when each input gets its own.
  std::optional<Restoration> restoration = std::nullopt;
};

using InputEnded = std::function<void(const InputRecord&)>;

}  // namespace brumel
