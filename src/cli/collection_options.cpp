#include "cli/collection_options.h"

#include <algorithm>
#include <ctime>
#include <ostream>

#include "batch/output_template.h"
#include "batch/select_inputs.h"
#include "batch/stale_files.h"
#include "cli/input_list.h"
#include "update/program_version.h"

namespace brumel {

void DeclareCollectionOptions(CLI::App& app, CollectionOptions& options) {
  app.add_option("--from", options.from,
                 "read the inputs one per line from FILE (- for the standard input), after any "
                 "given on the command line")
      ->type_name("FILE");
  app.add_option("--shard", options.shard,
                 "take only the inputs whose position i in the whole list has i mod N = K, so "
                 "that N runs given the same list share it out")
      ->type_name("K/N");
  app.add_flag("--skip-existing", options.skipExisting,
               "skip every input whose output already exists");
  app.add_option("--report", options.report,
                 "write a JSON Lines record per input as it ends: input, output, status, reason, "
                 "width, height, seconds, settings, host")
      ->type_name("FILE");
  app.add_flag("--strip-metadata", options.stripMetadata,
               "leave out the inputs' EXIF, XMP, IPTC and colour profile, which JPEG, PNG and "
               "TIFF outputs otherwise carry over with the record of the restoration");
}

std::optional<std::string> ApplyCollectionOptions(const CollectionOptions& options, bool writes,
                                                  BatchRequest& request,
                                                  std::istream& standardInput) {
  std::string problem;
  if (!options.from.empty()) {
    const auto listed = ReadInputListFile(options.from, standardInput, problem);
    if (!listed) return problem;
    request.inputs.insert(request.inputs.end(), listed->begin(), listed->end());
  }
  if (request.inputs.empty()) return "no INPUT given";
  std::optional<Shard> shard = Shard{};
  if (!options.shard.empty() && !(shard = ParseShard(options.shard, problem))) return problem;
  request.templateNames = true;
  if (writes) {
    if (auto wrong = TemplateProblem(request.outputName)) return wrong;
    // The whole list is checked, so that every shard refuses the same clash.
    if (auto clash = OutputClash(request)) return clash;
  }
  request = ShardOf(request, *shard);
  if (!options.stripMetadata) request.keepMetadataAs = SoftwareTag();
  return std::nullopt;
}

namespace {

// A day and a half reads better in hours; a week in days.
std::string AgeText(std::time_t seconds) {
  const std::time_t hours = seconds / 3600;
  return hours < 72 ? std::to_string(hours) + " hours" : std::to_string(hours / 24) + " days";
}

// Names, once each, the staged files that runs on other machines left and surely gave up.
void NoteAbandoned(const std::vector<AbandonedStagedFile>& files, std::ostream& errors) {
  constexpr std::size_t kMostNamed = 10;
  for (std::size_t i = 0; i < std::min(files.size(), kMostNamed); ++i)
    errors << "brumel-batch: " << files[i].path << " was staged by a run on another machine "
           << AgeText(files[i].ageSeconds)
           << " ago; it is left in place, but that run is surely over and it may be deleted\n";
  if (files.size() > kMostNamed)
    errors << "brumel-batch: and " << files.size() - kMostNamed
           << " more such files of other machines\n";
}

}  // namespace

CollectionRun::CollectionRun(const CollectionOptions& options, BatchRequest& request,
                             SettingsText settings, std::ostream& errors) {
  if (!options.report.empty()) report_ = std::make_unique<JsonLinesReport>(options.report);
  request.stopRequested = [this] { return signals_.Received() != 0; };
  if (report_)
    request.ended = [this, settings](const InputRecord& record) {
      report_->Add(record, settings(record));
    };
  CreateOutputFolders(request);
  NoteAbandoned(RemoveStaleStagedFiles(request, std::time(nullptr)).abandoned, errors);
  if (options.skipExisting) {
    for (const InputRecord& record : TakeOutExistingOutputs(request))
      if (report_) report_->Add(record, "");
  }
}

std::optional<int> CollectionRun::Stopped(const BatchReport& report, std::size_t count,
                                          std::ostream& errors) const {
  const int signal = signals_.Received();
  if (signal == 0) return std::nullopt;
  const std::size_t ended = report.written + report.skipped.size() + report.failed.size();
  errors << "brumel-batch: stopped by " << SignalName(signal) << " after " << ended << " of "
         << count << " inputs (" << report.written
         << " written); the others were not put in "
            "place\n";
  return 128 + signal;
}

}  // namespace brumel
