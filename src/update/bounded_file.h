// Reading the head of a small, untrusted text file without ever holding more than a bound.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace brumel {

struct FileHead {
  std::string bytes;       // at most the limit
  bool truncated = false;  // the file holds more than the limit
};

// The first limit bytes of the file; nullopt when there is no file of that name.
// Throws Error when the file exists but cannot be read.
std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit);

}  // namespace brumel
