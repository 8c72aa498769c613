#include "platform/error.h"

#include <cstring>

namespace brumel {

Error WriteError(const std::string& message, const std::string& fileName, int systemError) {
  // Without a reason from the system (a library refused), the window's text is the reason.
  const std::string reason = systemError != 0 ? std::strerror(systemError) : message;
  return Error(message, "cannot write " + fileName + ": " + reason);
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace brumel
