#include "cli/input_list.h"

#include <cstring>
#include <fstream>
#include <istream>

namespace brumel {

std::optional<std::vector<std::string>> ReadInputList(std::istream& list, const std::string& name,
                                                      std::string& problem) {
  std::vector<std::string> inputs;
  std::string line;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kLongestListedName) {
      problem = "a line of " + name + " is longer than " + std::to_string(kLongestListedName) +
                " characters";
      return std::nullopt;
    }
    if (line.empty()) continue;
    if (inputs.size() == kMostListedInputs) {
      problem = name + " lists more than " + std::to_string(kMostListedInputs) + " inputs";
      return std::nullopt;
    }
    inputs.push_back(line);
  }
  if (list.bad()) {
    problem = "cannot read " + name;
    return std::nullopt;
  }
  return inputs;
}

std::optional<std::vector<std::string>> ReadInputListFile(const std::string& file,
                                                          std::istream& standardInput,
                                                          std::string& problem) {
  if (file == "-") return ReadInputList(standardInput, "the standard input", problem);
  std::ifstream list(file);
  if (!list) {
    problem = "cannot read the input list " + file + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return ReadInputList(list, "the input list " + file, problem);
}

}  // namespace brumel
