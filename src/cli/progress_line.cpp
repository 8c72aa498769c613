#include "cli/progress_line.h"

#include <cstdio>
#include <ostream>

namespace brumel {

std::string FormatDuration(std::chrono::seconds duration) {
  const long long total = duration.count() < 0 ? 0 : duration.count();
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                  total % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  return text;
}

ProgressLine::ProgressLine(std::ostream& terminal)
    : terminal_(terminal), start_(std::chrono::steady_clock::now()) {}

void ProgressLine::Show(std::size_t index, std::size_t count, const std::string& name) {
  using std::chrono::duration_cast;
  using std::chrono::seconds;
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  std::string line = "file " + std::to_string(index + 1) + " of " + std::to_string(count) + ": " +
                     name + "  " + FormatDuration(duration_cast<seconds>(elapsed));
  // The rest is estimated from the files finished so far; there is none before the first.
  if (index > 0)
    line += ", about " + FormatDuration(duration_cast<seconds>(elapsed / index * (count - index))) +
            " left";
  Clear();
  terminal_ << line << std::flush;
  shownLength_ = line.size();
}

void ProgressLine::Clear() {
  if (shownLength_ == 0) return;
  terminal_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  shownLength_ = 0;
}

}  // namespace brumel
