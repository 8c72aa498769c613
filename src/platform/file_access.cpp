#include "platform/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace brumel {

int OpenRegularFile(const std::string& fileName) {
  // O_NONBLOCK so that opening a FIFO returns at once instead of waiting for a writer.
  const int descriptor = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) return -1;
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int reason = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    close(descriptor);
    errno = reason;
    return -1;
  }
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  return descriptor;
}

std::FILE* OpenFileStream(const std::string& fileName, const char* mode) {
  if (std::strchr(mode, 'r') == nullptr || std::strchr(mode, '+') != nullptr)
    return std::fopen(fileName.c_str(), mode);
  const int descriptor = OpenRegularFile(fileName);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = fdopen(descriptor, mode);
  if (stream == nullptr) close(descriptor);
  return stream;
}

namespace {

ReadFileResult ReadStream(std::FILE* stream, std::uint64_t maxBytes,
                          std::vector<std::uint8_t>& bytes, std::string_view signature) {
  struct stat status {};
  if (fstat(fileno(stream), &status) != 0) return ReadFileResult::CannotOpen;
  if (static_cast<std::uint64_t>(status.st_size) > maxBytes) return ReadFileResult::TooLarge;
  bytes.resize(signature.size());
  if (std::fread(bytes.data(), 1, bytes.size(), stream) != bytes.size() ||
      std::memcmp(bytes.data(), signature.data(), signature.size()) != 0)
    return ReadFileResult::WrongSignature;
  try {
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
      if (bytes.size() + got > maxBytes) return ReadFileResult::TooLarge;
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
  } catch (const std::bad_alloc&) {
    return ReadFileResult::TooLarge;
  }
  return std::ferror(stream) ? ReadFileResult::CannotOpen : ReadFileResult::Read;
}

}  // namespace

ReadFileResult ReadWholeFile(const std::string& fileName, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes, std::string_view signature) {
  bytes.clear();
  std::FILE* stream = OpenFileStream(fileName, "rb");
  if (stream == nullptr) return ReadFileResult::CannotOpen;
  const ReadFileResult result = ReadStream(stream, maxBytes, bytes, signature);
  std::fclose(stream);
  if (result != ReadFileResult::Read) {
    bytes.clear();
    bytes.shrink_to_fit();
  }
  return result;
}

}  // namespace brumel
