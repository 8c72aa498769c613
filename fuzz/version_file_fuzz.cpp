// The update check's version file: its number and the four lines after it.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz_target.h"
#include "update/version_file.h"

namespace brumel::fuzz {

namespace {

// The line reader ends every line at a CR and the text at a Ctrl-Z.
std::string CheckedLine(const std::string& line) {
  if (line.find_first_of("\r\x1a") != std::string::npos) {
    std::fprintf(stderr, "a version file line holds a line end or Ctrl-Z\n");
    std::abort();
  }
  return line;
}

}  // namespace

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  // The check never reads a longer file: the download is refused first.
  if (bytes.size() > kVersionFileLimit) return "too large";
  VersionFile file;
  try {
    file = ParseVersionFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  } catch (const Error& error) {
    return error.what();
  }
  return "version " + std::to_string(file.version) + "\n" + CheckedLine(file.name) + "\n" +
         CheckedLine(file.url) + "\n" + CheckedLine(file.upperLine) + "\n" +
         CheckedLine(file.lowerLine);
}

}  // namespace brumel::fuzz
