#include "batch/select_inputs.h"

#include <sys/stat.h>

#include <charconv>
#include <functional>

#include "batch/output_template.h"

namespace brumel {

namespace {

std::optional<std::size_t> WholeNumber(const std::string& text) {
  std::size_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The request with the inputs kept (by their index in it), each with its position.
BatchRequest Keeping(const BatchRequest& request, const std::function<bool(std::size_t)>& keep) {
  BatchRequest kept = request;
  kept.inputs.clear();
  kept.positions.clear();
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    if (!keep(i)) continue;
    kept.inputs.push_back(request.inputs[i]);
    kept.positions.push_back(PositionOf(request, i));
  }
  return kept;
}

}  // namespace

std::optional<Shard> ParseShard(const std::string& text, std::string& problem) {
  const std::size_t slash = text.find('/');
  const auto index = WholeNumber(text.substr(0, slash));
  const auto count =
      slash == std::string::npos ? std::nullopt : WholeNumber(text.substr(slash + 1));
  if (!index || !count) {
    problem = "--shard takes K/N, two whole numbers such as 0/4, not " + text;
    return std::nullopt;
  }
  if (*count == 0 || *count > kMostShards || *index >= *count) {
    problem = "--shard " + text + ": N is 1.." + std::to_string(kMostShards) + " and K is 0..N-1";
    return std::nullopt;
  }
  return Shard{*index, *count};
}

BatchRequest ShardOf(const BatchRequest& request, Shard shard) {
  return Keeping(
      request, [&](std::size_t i) { return PositionOf(request, i) % shard.count == shard.index; });
}

std::vector<InputRecord> TakeOutExistingOutputs(BatchRequest& request) {
  std::vector<InputRecord> done;
  request = Keeping(request, [&](std::size_t i) {
    InputRecord record;
    record.output = OutputNameOf(request, i);
    struct stat status {};
    if (stat(record.output.c_str(), &status) != 0) return true;
    record.input = request.inputs[i];
    record.status = InputStatus::Skipped;
    record.reason = "its output exists";
    done.push_back(record);
    return false;
  });
  return done;
}

}  // namespace brumel
