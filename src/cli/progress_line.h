// The one rewritten line of brumel-batch's progress on a terminal: file k of n, its name,
// the time so far and an estimate of the rest.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace brumel {

class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& terminal);
  void Show(std::size_t index, std::size_t count, const std::string& name);
  // Clears the line so that the next message starts on an empty line.
  void Clear();

 private:
  std::ostream& terminal_;
  std::chrono::steady_clock::time_point start_;
  std::size_t shownLength_ = 0;
};

// "1:05" or "1:02:03".
std::string FormatDuration(std::chrono::seconds duration);

}  // namespace brumel
