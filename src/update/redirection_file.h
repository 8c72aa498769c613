// The redirection file: the version file's URL alone, once a version file has redirected the
// check. It governs every later check until another redirection or until the user deletes it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brumel {

// Only this much of the file is read: a URL is far shorter.
inline constexpr std::size_t kRedirectionFileLimit = 64 * 1024;

// The file's first line (empty for an empty file); nullopt when there is no such file.
// Throws Error when the file exists but cannot be read.
std::optional<std::string> ReadRedirectionFile(const std::string& path);

// The URL held by the head of a redirection file read into memory: its first line.
std::string RedirectionUrl(std::string_view head);

// Creates or replaces the file with exactly the URL, no line end; throws Error on failure.
void WriteRedirectionFile(const std::string& path, const std::string& url);

}  // namespace brumel
