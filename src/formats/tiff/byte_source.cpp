#include "formats/tiff/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_access.h"

namespace brumel {

std::size_t ByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> target) {
  const std::size_t got = offset < Size() ? Fetch(offset, target) : 0;
  std::fill(target.begin() + static_cast<std::ptrdiff_t>(got), target.end(), std::uint8_t{0});
  return got;
}

FileByteSource::FileByteSource(const std::string& fileName) {
  descriptor_ = OpenRegularFile(fileName);
  if (descriptor_ < 0) return;
  struct stat status {};
  if (fstat(descriptor_, &status) == 0) size_ = static_cast<std::uint64_t>(status.st_size);
}

FileByteSource::~FileByteSource() {
  if (descriptor_ >= 0) close(descriptor_);
}

std::size_t FileByteSource::Fetch(std::uint64_t offset, std::span<std::uint8_t> target) {
  std::size_t got = 0;
  while (got < target.size()) {
    const ssize_t n = pread(descriptor_, target.data() + got, target.size() - got,
                            static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

std::size_t MemoryByteSource::Fetch(std::uint64_t offset, std::span<std::uint8_t> target) {
  const std::size_t got =
      static_cast<std::size_t>(std::min<std::uint64_t>(target.size(), bytes_.size() - offset));
  std::memcpy(target.data(), bytes_.data() + offset, got);
  return got;
}

}  // namespace brumel
