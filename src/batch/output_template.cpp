#include "batch/output_template.h"

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
  if (!IsTemplate(request.outputName))
    return BatchOutputName(request.outputName, position, request.format);
  const Fields fields{fs::path(request.inputs[index]).stem().string(), std::to_string(position),
                      FormatRow(request.format).outputExtension};
  std::string problem;
  std::string name = Fill(request.outputName, fields, problem);
  if (!problem.empty()) throw Error(problem);
  return name;
}

std::optional<std::string> OutputClash(const BatchRequest& request) {
  std::map<std::string, std::size_t> inputs;
  for (std::size_t i = 0; i < request.inputs.size(); ++i)
    inputs.emplace(SameFileKey(request.inputs[i]), i);
  std::map<std::string, std::size_t> outputs;
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    const std::string output = OutputNameOf(request, i);
    const std::string key = SameFileKey(output);
    if (const auto input = inputs.find(key); input != inputs.end())
      return "the output " + output + " would overwrite the input " + request.inputs[input->second];
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
