// brumel-batch's options for whole collections: inputs from a list, a shard of them, the ones
// already done skipped, a report, the metadata kept or stripped, and a clean stop on SIGINT or
// SIGTERM.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "batch/batch.h"
#include "cli/report.h"
#include "cli/stop_signals.h"

namespace brumel {

struct CollectionOptions {
  std::string from;
  std::string shard;
  std::string report;
  bool skipExisting = false;
  bool stripMetadata = false;
};

void DeclareCollectionOptions(CLI::App& app, CollectionOptions& options);

// Reads the inputs of --from after those of the command line, checks the output template,
// refuses outputs that clash (when the run writes), takes the shard and chooses whether the
// metadata is kept. Returns what is wrong with the options, or nothing.
std::optional<std::string> ApplyCollectionOptions(const CollectionOptions& options, bool writes,
                                                  BatchRequest& request,
                                                  std::istream& standardInput);

// What goes on beside the batch run of a collection while it lives: the report, and the stop
// signals caught.
class CollectionRun {
 public:
  using SettingsText = std::function<std::string(const InputRecord&)>;
  // Opens the report and hooks it and the stop signals to the request, creates the output
  // folders and removes from them what killed runs of this machine left staged (naming on
  // errors what other machines left long ago), and takes out the inputs already done under
  // --skip-existing (recording them as skipped). Raises the error type.
  CollectionRun(const CollectionOptions& options, BatchRequest& request, SettingsText settings,
                std::ostream& errors);

  // The exit status of a stopped run (130 for SIGINT, 143 for SIGTERM), with errors told how
  // far it got; nothing when no stop was asked for.
  std::optional<int> Stopped(const BatchReport& report, std::size_t count,
                             std::ostream& errors) const;

 private:
  StopSignals signals_;
  std::unique_ptr<JsonLinesReport> report_;
};

}  // namespace brumel
