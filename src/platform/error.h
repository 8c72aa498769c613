// The one error type of the system: an exception that carries the text the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace brumel {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The text of the error box: a "." is appended when the last character sorts after ".",
// so texts that already end in "!" or "." are shown as they are.
std::string ErrorBoxText(const std::string& message);

}  // namespace brumel
