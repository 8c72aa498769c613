#include "platform/file_access.h"

#include <sys/stat.h>

#include <new>

namespace brumel {

std::FILE* OpenFileStream(const std::string& fileName, const char* mode) {
  std::FILE* stream = std::fopen(fileName.c_str(), mode);
  if (stream == nullptr) return nullptr;
  struct stat status;
  if (fstat(fileno(stream), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

ReadFileResult ReadWholeFile(const std::string& fileName, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::FILE* stream = OpenFileStream(fileName, "rb");
  if (stream == nullptr) return ReadFileResult::CannotOpen;
  ReadFileResult result = ReadFileResult::Read;
  struct stat status;
  if (fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::uint64_t>(status.st_size) > maxBytes) {
    result = ReadFileResult::TooLarge;
  } else {
    try {
      if (S_ISREG(status.st_mode)) bytes.reserve(static_cast<std::size_t>(status.st_size));
      std::uint8_t chunk[65536];
      std::size_t got = 0;
      while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        if (bytes.size() + got > maxBytes) {
          result = ReadFileResult::TooLarge;
          break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
      }
      if (result == ReadFileResult::Read && std::ferror(stream))
        result = ReadFileResult::CannotOpen;
    } catch (const std::bad_alloc&) {
      result = ReadFileResult::TooLarge;
    }
  }
  std::fclose(stream);
  if (result != ReadFileResult::Read) {
    bytes.clear();
    bytes.shrink_to_fit();
  }
  return result;
}

}  // namespace brumel
