// The update check's redirection file: the URL on its first line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz_target.h"
#include "update/redirection_file.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  // The check reads no more of the file than this.
  const std::size_t size = std::min(bytes.size(), kRedirectionFileLimit);
  const std::string url = RedirectionUrl({reinterpret_cast<const char*>(bytes.data()), size});
  if (url.find_first_of("\r\x1a") != std::string::npos) {
    std::fprintf(stderr, "the redirection URL holds a line end or Ctrl-Z\n");
    std::abort();
  }
  return "url " + url;
}

}  // namespace brumel::fuzz
