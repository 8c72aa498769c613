#include "batch/output_template.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <system_error>

#include "formats/formats.h"
#include "platform/error.h"

namespace brumel {

namespace {

namespace fs = std::filesystem;

struct Fields {
  std::string name, index, ext;
};

// The template filled with the fields; an unknown field or a lone brace sets problem instead.
std::string Fill(const std::string& pattern, const Fields& fields, std::string& problem) {
  std::string filled;
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    const char c = pattern[at];
    if ((c == '{' || c == '}') && at + 1 < pattern.size() && pattern[at + 1] == c) {
      filled += c;
      ++at;
    } else if (c == '}') {
      problem = "a lone } in the output name " + pattern + " (write }} for a brace)";
      return {};
    } else if (c != '{') {
      filled += c;
    } else {
      const std::size_t end = pattern.find_first_of("{}", at + 1);
      const std::string field = pattern.substr(at + 1, end - at - 1);
      if (end == std::string::npos || pattern[end] != '}') {
        problem = "a lone { in the output name " + pattern + " (write {{ for a brace)";
        return {};
      }
      if (field == "name")
        filled += fields.name;
      else if (field == "index")
        filled += fields.index;
      else if (field == "ext")
        filled += fields.ext;
      else {
        problem = "unknown field {" + field + "} in the output name " + pattern +
                  " (the fields are {name}, {index} and {ext})";
        return {};
      }
      at = end;
    }
  }
  return filled;
}

bool IsTemplate(const std::string& chosenName) {
  return chosenName.find('{') != std::string::npos;
}

// The name two paths share when they reach the same file, whether or not it exists yet.
std::string SameFileKey(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  if (error) return fs::path(path).lexically_normal().string();
  const fs::path canonical = fs::weakly_canonical(absolute, error);
  return (error ? absolute.lexically_normal() : canonical).string();
}

// The inode of a file that exists, which its hard links share as well.
std::optional<std::pair<dev_t, ino_t>> Inode(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return std::pair{status.st_dev, status.st_ino};
}

// The inputs by their inode and by their path key, so that each output is looked up once.
class InputIndex {
 public:
  explicit InputIndex(const std::vector<std::string>& inputs) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      if (const auto inode = Inode(inputs[i])) byInode_.emplace(*inode, i);
      byKey_.emplace(SameFileKey(inputs[i]), i);
    }
  }
  // The input the output reaches, if any.
  std::optional<std::size_t> Reached(const std::string& output, const std::string& key) const {
    if (const auto inode = Inode(output))
      if (const auto found = byInode_.find(*inode); found != byInode_.end()) return found->second;
    if (const auto found = byKey_.find(key); found != byKey_.end()) return found->second;
    return std::nullopt;
  }

 private:
  std::map<std::pair<dev_t, ino_t>, std::size_t> byInode_;
  std::map<std::string, std::size_t> byKey_;
};

std::string OverwriteProblem(const std::string& output, const std::string& input) {
  return "the output " + output + " would overwrite the input " + input;
}

}  // namespace

std::optional<std::string> TemplateProblem(const std::string& chosenName) {
  if (!IsTemplate(chosenName)) return std::nullopt;
  std::string problem;
  Fill(chosenName, {}, problem);
  if (problem.empty()) return std::nullopt;
  return problem;
}

std::size_t PositionOf(const BatchRequest& request, std::size_t index) {
  return request.positions.empty() ? index : request.positions[index];
}

std::string OutputNameOf(const BatchRequest& request, std::size_t index) {
  const std::size_t position = PositionOf(request, index);
  if (!request.templateNames || !IsTemplate(request.outputName))
    return BatchOutputName(request.outputName, position, request.format);
  const Fields fields{fs::path(request.inputs[index]).stem().string(), std::to_string(position),
                      FormatRow(request.format).outputExtension};
  std::string problem;
  std::string name = Fill(request.outputName, fields, problem);
  if (!problem.empty()) throw Error(problem);
  return name;
}

std::optional<std::string> OutputOverInput(const BatchRequest& request) {
  const InputIndex inputs(request.inputs);
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    const std::string output = OutputNameOf(request, i);
    if (const auto input = inputs.Reached(output, SameFileKey(output)))
      return OverwriteProblem(output, request.inputs[*input]);
  }
  return std::nullopt;
}

std::optional<std::string> OutputClash(const BatchRequest& request) {
  const InputIndex inputs(request.inputs);
  std::map<std::string, std::size_t> outputs;
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    const std::string output = OutputNameOf(request, i);
    const std::string key = SameFileKey(output);
    if (const auto input = inputs.Reached(output, key))
      return OverwriteProblem(output, request.inputs[*input]);
    const auto [earlier, added] = outputs.emplace(key, i);
    if (!added)
      return "the inputs " + request.inputs[earlier->second] + " and " + request.inputs[i] +
             " would both be written to " + output;
  }
  return std::nullopt;
}

std::set<std::string> OutputFolders(const BatchRequest& request) {
  std::set<std::string> folders;
  for (std::size_t i = 0; i < request.inputs.size(); ++i)
    folders.insert(fs::path(OutputNameOf(request, i)).parent_path().string());
  return folders;
}

void CreateOutputFolders(const BatchRequest& request) {
  for (const std::string& folder : OutputFolders(request)) {
    std::error_code error;
    if (!folder.empty() && !fs::create_directories(folder, error) && error)
      throw Error("Cannot create the folder " + folder + ": " + error.message());
  }
}

}  // namespace brumel
