// Runs a target's ReadInput over every file of the folders given, in name order, as the plain
// program ctest runs. A file with a sidecar NAME.expected must give exactly the text in it (a
// final line end is not part of the text); any other file only has to be read without a fault.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace {

namespace fs = std::filesystem;

constexpr char kExpectedSuffix[] = ".expected";

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> InputsIn(const fs::path& folder) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().extension() != kExpectedSuffix)
      inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

// True when the input gave what its sidecar, if any, expects.
bool Replay(const fs::path& input) {
  const std::string bytes = FileText(input);
  const std::string outcome =
      brumel::fuzz::ReadInput({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  const fs::path sidecar = input.string() + kExpectedSuffix;
  if (!fs::exists(sidecar)) return true;
  std::string expected = FileText(sidecar);
  if (!expected.empty() && expected.back() == '\n') expected.pop_back();
  if (outcome == expected) return true;
  std::fprintf(stderr, "%s:\n  expected: %s\n  got:      %s\n", input.c_str(), expected.c_str(),
               outcome.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER...\n", argv[0]);
    return 2;
  }
  std::size_t count = 0;
  std::size_t failed = 0;
  for (int i = 1; i < argc; ++i) {
    if (!fs::is_directory(argv[i])) {
      std::fprintf(stderr, "%s is not a folder\n", argv[i]);
      return 2;
    }
    for (const fs::path& input : InputsIn(argv[i])) {
      ++count;
      if (!Replay(input)) ++failed;
    }
  }
  std::printf("%zu inputs replayed, %zu with an unexpected outcome\n", count, failed);
  return failed == 0 ? 0 : 1;
}
