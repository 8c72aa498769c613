#include "batch/input_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace brumel {

namespace {

// The absolute, normalised path of a name, or the name itself when it has none.
std::string NormalPath(const std::string& name) {
  std::error_code error;
  const auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(name), error);
  return error ? name : path.string();
}

}  // namespace

InputIdentities::InputIdentities(const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    struct stat status {};
    if (stat(input.c_str(), &status) == 0)
      existing_.emplace(std::pair{status.st_dev, status.st_ino}, &input);
    else
      missing_.emplace(NormalPath(input), &input);
  }
}

const std::string* InputIdentities::Reached(const std::string& name) const {
  struct stat status {};
  if (stat(name.c_str(), &status) == 0) {
    const auto found = existing_.find({status.st_dev, status.st_ino});
    return found == existing_.end() ? nullptr : found->second;
  }
  // A name that does not exist can only be an input that does not exist yet.
  if (missing_.empty()) return nullptr;
  const auto found = missing_.find(NormalPath(name));
  return found == missing_.end() ? nullptr : found->second;
}

}  // namespace brumel
