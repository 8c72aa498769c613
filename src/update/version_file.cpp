#include "update/version_file.h"

#include "platform/error.h"
#include "platform/number_text.h"
#include "update/text_lines.h"

namespace brumel {

namespace {

constexpr std::size_t kMaxNumberCharacters = 64;

bool IsBlankOrControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' || byte == 0x7f;
}

// The first token of the line, or empty when the line holds blanks alone.
std::string_view FirstToken(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && IsBlankOrControl(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsBlankOrControl(line[end])) ++end;
  return line.substr(start, end - start);
}

}  // namespace

VersionFile ParseVersionFile(std::string_view text) {
  VersionFile file;
  TextLineReader lines(text);
  std::string_view token;
  while (token.empty() && !lines.AtEnd()) token = FirstToken(lines.NextLine());
  if (token.empty()) return file;
  const std::optional<double> version = ParseNumber(token.substr(0, kMaxNumberCharacters));
  if (!version) throw Error("The version file does not start with a version number");
  file.version = *version;
  file.name = lines.NextLine();
  file.url = lines.NextLine();
  file.upperLine = lines.NextLine();
  file.lowerLine = lines.NextLine();
  return file;
}

std::string SuggestedFileName(std::string_view name) {
  const std::size_t separator = name.find_last_of("/\\:");
  const std::string_view last =
      separator == std::string_view::npos ? name : name.substr(separator + 1);
  if (last == "." || last == "..") return "";
  return std::string(last);
}

}  // namespace brumel
