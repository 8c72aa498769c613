// Which inputs of the whole list a run takes: a shard of it, or those not done yet. Each input
// taken keeps its position in the whole list, so that {index} and the window's numbering hold.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch.h"

namespace brumel {

// The most shards a list can be split into.
inline constexpr std::size_t kMostShards = 1000000;

// Shard `index` of `count`: the inputs whose position i has i mod count = index.
struct Shard {
  std::size_t index = 0;
  std::size_t count = 1;
};

// "K/N" with 0 <= K < N <= kMostShards; otherwise nothing, and problem says what is wrong.
std::optional<Shard> ParseShard(const std::string& text, std::string& problem);

// The request with only the inputs of the shard.
BatchRequest ShardOf(const BatchRequest& request, Shard shard);

// Takes out of the request every input whose output already exists, and returns them as skipped.
std::vector<InputRecord> TakeOutExistingOutputs(BatchRequest& request);

}  // namespace brumel
