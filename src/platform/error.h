// The one error type of the system: an exception that carries the text the user is shown.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace brumel {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
  // The window shows message; the command line shows commandLineText, which adds what a
  // library or the system said and the file it concerns.
  Error(const std::string& message, std::string commandLineText)
      : std::runtime_error(message), commandLineText_(std::move(commandLineText)) {}

  // The text brumel-batch prints: the message itself unless a fuller text was given.
  std::string CommandLineText() const {
    return commandLineText_.empty() ? what() : commandLineText_;
  }

 private:
  std::string commandLineText_;
};

// The error of a writer that failed on fileName: the window's message, and on the command line
// "cannot write NAME: " with the system's reason for systemError (an errno value).
Error WriteError(const std::string& message, const std::string& fileName, int systemError);

// The text of the error box: a "." is appended when the last character sorts after ".",
// so texts that already end in "!" or "." are shown as they are.
std::string ErrorBoxText(const std::string& message);

}  // namespace brumel
