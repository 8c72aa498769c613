// brumel-batch --from: the inputs read one per line from a file or standard input, so that a long
// list does not meet the command line's length limit.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace brumel {

// The longest line and the most lines a list may have.
inline constexpr std::size_t kLongestListedName = 4096;
inline constexpr std::size_t kMostListedInputs = 10000000;

// The non-empty lines of the list (a carriage return before a line end is dropped; spaces are
// part of the name). Nothing, with problem saying why, when the list cannot be read, has a line
// longer than kLongestListedName or more than kMostListedInputs lines.
std::optional<std::vector<std::string>> ReadInputList(std::istream& list, const std::string& name,
                                                      std::string& problem);

// The list in the named file, or in standardInput for "-".
std::optional<std::vector<std::string>> ReadInputListFile(const std::string& file,
                                                          std::istream& standardInput,
                                                          std::string& problem);

}  // namespace brumel
