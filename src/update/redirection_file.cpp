#include "update/redirection_file.h"

#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "update/bounded_file.h"
#include "update/text_lines.h"

namespace brumel {

std::optional<std::string> ReadRedirectionFile(const std::string& path) {
  const std::optional<FileHead> head = ReadFileHead(path, kRedirectionFileLimit);
  if (!head) return std::nullopt;
  return RedirectionUrl(head->bytes);
}

std::string RedirectionUrl(std::string_view head) {
  return std::string(TextLineReader(head).NextLine());
}

void WriteRedirectionFile(const std::string& path, const std::string& url) {
  AtomicFile file(path);
  const bool written = file.Stream() &&
                       std::fwrite(url.data(), 1, url.size(), file.Stream()) == url.size() &&
                       file.Commit();
  if (!written) throw Error("Cannot write the redirection file " + path);
}

}  // namespace brumel
