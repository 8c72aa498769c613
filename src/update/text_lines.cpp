#include "update/text_lines.h"

namespace brumel {

namespace {

constexpr char kEndOfText = '\x1a';

std::string_view UpToEndOfText(std::string_view text) {
  return text.substr(0, text.find(kEndOfText));
}

}  // namespace

TextLineReader::TextLineReader(std::string_view text) : rest_(UpToEndOfText(text)) {}

std::string_view TextLineReader::NextLine() {
  const std::size_t end = rest_.find('\r');
  if (end == std::string_view::npos) {
    const std::string_view line = rest_;
    rest_ = {};
    return line;
  }
  const std::string_view line = rest_.substr(0, end);
  std::size_t next = end + 1;
  if (next < rest_.size() && rest_[next] == '\n') ++next;
  rest_.remove_prefix(next);
  return line;
}

}  // namespace brumel
