// The version file: the announced version number, then either "redirect" and the version
// file's new URL, or the release's file name and URL, then the two lines of the offer text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brumel {

// A larger version file is not one: the check treats it as a failed download.
inline constexpr std::size_t kVersionFileLimit = 64 * 1024;

struct VersionFile {
  double version = 0;
  std::string name;  // "redirect", or the release's file name
  std::string url;   // the version file's new URL after "redirect", else the release's URL
  std::string upperLine;
  std::string lowerLine;

  bool Redirects() const { return name == "redirect"; }
};

// Reads the text of a version file. The number is its first token, after any blanks and empty
// lines; the lines after it are counted from the line that holds it. A text of blanks and line
// ends alone gives version 0 and empty lines. Throws Error when the first token is not a number.
VersionFile ParseVersionFile(std::string_view text);

// The name the save dialog suggests for the release: only the last path component of the
// file's name, so that a version file cannot point the dialog at another folder.
std::string SuggestedFileName(std::string_view name);

}  // namespace brumel
