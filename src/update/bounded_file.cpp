#include "update/bounded_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/error.h"

namespace brumel {

namespace {

using Stream = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

[[noreturn]] void ThrowUnreadable(const std::string& path, int error) {
  throw Error("Cannot read the file " + path + ": " + std::strerror(error != 0 ? error : EIO));
}

}  // namespace

std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit) {
  errno = 0;
  Stream stream(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!stream) {
    if (errno == ENOENT) return std::nullopt;
    ThrowUnreadable(path, errno);
  }
  // One byte beyond the limit tells a file of exactly the limit from a longer one.
  FileHead head;
  head.bytes.resize(limit + 1);
  errno = 0;
  const std::size_t got = std::fread(head.bytes.data(), 1, head.bytes.size(), stream.get());
  if (std::ferror(stream.get())) ThrowUnreadable(path, errno);
  head.truncated = got > limit;
  head.bytes.resize(head.truncated ? limit : got);
  return head;
}

}  // namespace brumel
