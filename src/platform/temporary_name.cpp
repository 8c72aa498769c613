#include "platform/temporary_name.h"

#include <unistd.h>

#include <regex>

#include "platform/machine_name.h"

namespace brumel {

namespace {

// The machine's name is optional, so that names of older versions are still known; a tail
// holds no '-', so the last two fields are always the process and the tail.
const std::regex kTemporaryName(
    R"(\.brumel-(?:([a-z0-9._-]{1,32})-)?([0-9]{1,9})-([0-9]{1,20}|[A-Za-z0-9]{6}))");

}  // namespace

std::string TemporaryNameStart() {
  return kTemporaryPrefix + MachineNameInFiles() + "-" + std::to_string(getpid()) + "-";
}

std::optional<TemporaryNameOwner> OwnerOfTemporaryName(const std::string& fileName) {
  std::smatch match;
  if (!std::regex_match(fileName, match, kTemporaryName)) return std::nullopt;
  return TemporaryNameOwner{match[1].str(), std::stol(match[2].str())};
}

}  // namespace brumel
