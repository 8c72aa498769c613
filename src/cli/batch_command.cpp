#include "cli/batch_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <iterator>
#include <thread>

#include "cli/collection_options.h"
#include "cli/correction_options.h"
#include "cli/not_reached.h"
#include "cli/progress_line.h"
#include "correct/correction_settings.h"
#include "formats/file_name.h"
#include "formats/formats.h"
#include "formats/sample_depth.h"
#include "formats/tiff/libtiff_writer.h"
#include "platform/error.h"
#include "platform/number_text.h"
#include "restore/restoration_options.h"
#include "update/program_version.h"

namespace brumel {

namespace {

// The readers' messages on stderr, each after the name of the input being read; the TIFF
// reader's carriage returns become line ends.
class StderrMessages : public MessagePort {
 public:
  StderrMessages(std::ostream& errors, ProgressLine* progress, const std::string& current)
      : errors_(errors), progress_(progress), current_(current) {}
  void ShowInformation(const std::string& text) override { Print(text); }
  void ShowError(const std::string& text) override { Print(ErrorBoxText(text)); }

 private:
  void Print(std::string text) {
    if (progress_) progress_->Clear();
    std::replace(text.begin(), text.end(), '\r', '\n');
    errors_ << "brumel-batch: " << (current_.empty() ? "" : current_ + ": ") << text << '\n';
  }
  std::ostream& errors_;
  ProgressLine* progress_;
  const std::string& current_;
};

// As many inputs at once as the machine has cores.
int DefaultJobs() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostJobs);
}

struct CommandLine {
  std::string output;
  std::string format;
  std::string compress = "none";
  std::string depth = kSampleDepthNames[0];
  std::vector<std::string> inputs;
  CorrectionOptions correction;
  std::string settingsFrom;
  bool automatic = false;
  bool estimate = false;
  bool keepGoing = false;
  bool quiet = false;
  int jobs = DefaultJobs();
  CollectionOptions collection;
};

void DeclareOptions(CLI::App& app, CommandLine& line) {
  app.add_option("-o,--output", line.output,
                 "the output name, as typed in the save dialog; not needed with --estimate")
      ->type_name("NAME");
  app.add_option("-f,--format", line.format,
                 FormatNames() + "; by default taken from NAME's extension")
      ->type_name("F");
  app.add_option("--compress", line.compress,
                 "none, deflate or lzw: how TIFF outputs are compressed")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(kTiffCompressionNames),
                                                     std::end(kTiffCompressionNames))))
      ->default_val(kTiffCompressionNames[0])
      ->type_name("C");
  app.add_option("--depth", line.depth,
                 "8 or 16: the bits a sample inputs are read, corrected and written at; 16 keeps "
                 "16-bit PNG and TIFF inputs whole, widens the others and writes 16-bit PNG or "
                 "TIFF outputs")
      ->check(CLI::IsMember(
          std::vector<std::string>(std::begin(kSampleDepthNames), std::end(kSampleDepthNames))))
      ->default_val(kSampleDepthNames[0])
      ->type_name("D");
  DeclareCorrectionOptions(app, line.correction);
  app.add_flag("--auto", line.automatic,
               "each INPUT corrected with its own settings, estimated from the picture; the "
               "options given with it are kept and the rest are fitted");
  app.add_flag("--estimate", line.estimate,
               "write nothing; print for each INPUT the options that reproduce --auto's result, "
               "then after '# fading' how faded it looks (0 to 100) and what it finds lost: the "
               "dyes cyan, magenta, yellow and the paper's stain");
  app.add_flag("--keep-going", line.keepGoing, "after an input that fails, go on with the next");
  app.add_flag("-q,--quiet", line.quiet, "no progress display");
  app.add_option("-j,--jobs", line.jobs,
                 "how many inputs are worked on at once (by default one per core); the outputs, "
                 "messages and problems come in input order all the same")
      ->check(CLI::Range(1, kMostJobs))
      ->type_name("N");
  DeclareCollectionOptions(app, line.collection);
  app.add_option("--settings-from", line.settingsFrom,
                 "every correction setting from FILE's record of its restoration (brumel:Settings "
                 "in its XMP), instead of --auto or the settings' options")
      ->excludes("--auto")
      ->excludes("--estimate")
      ->excludes("--levels")
      ->type_name("FILE");
  for (const BarOption& bar : kBarOptions) app.get_option("--settings-from")->excludes(bar.flag);
  app.add_option("INPUT", line.inputs, "the pictures to correct")->type_name("INPUT");
  app.set_version_flag("--version", "brumel-batch " + FormatNumber(kProgramVersion));
}

// Under --auto, the settings given on the command line stay as given.
HeldSettings HeldOptions(const CLI::App& app, const CommandLine& line) {
  HeldSettings held;
  const Restoration given = RestorationOf(line.correction);
  if (app.count("--levels") > 0) held.levels = given.levels;
  for (const BarOption& bar : kBarOptions)
    if (app.count(bar.flag) > 0) held.*bar.held = given.positions.*bar.position;
  return held;
}

int UsageError(std::ostream& errors, const std::string& reason) {
  errors << "brumel-batch: " << reason << "\nRun with --help for more information.\n";
  return kExitUsage;
}

void ReportEach(const std::vector<BatchProblem>& problems, const char* what, std::ostream& errors) {
  for (const BatchProblem& problem : problems)
    errors << "brumel-batch: " << what << ' ' << problem.input << ": "
           << (problem.commandLineReason.empty() ? problem.reason : problem.commandLineReason)
           << '\n';
}

int ReportProblems(const BatchReport& report, std::ostream& errors) {
  ReportEach(report.skipped, "skipped", errors);
  ReportEach(report.damaged, "damaged", errors);
  ReportEach(report.failed, "failed", errors);
  const bool whole = report.skipped.empty() && report.damaged.empty() && report.failed.empty();
  return whole ? kExitWritten : kExitInputProblem;
}

// Runs the batch, or only the estimates, with the progress and the problems on errors.
int RunRequest(BatchRequest request, const CommandLine& line, std::ostream& out,
               std::ostream& errors, bool errorsIsTerminal) {
  ProgressLine progress(errors);
  const bool showProgress = errorsIsTerminal && !line.quiet;
  std::string current;
  std::size_t reached = 0;
  StderrMessages messages(errors, showProgress ? &progress : nullptr, current);
  const BatchProgress onEachInput = [&](std::size_t i, std::size_t n, const std::string& name) {
    current = name;
    reached = i + 1;
    if (showProgress) progress.Show(i, n, name);
  };
  const BatchEstimates print = [&](const std::string& input, const Restoration& restoration) {
    progress.Clear();
    // The confidence comes after a shell's comment sign, so the line still pastes as options.
    out << input << ": " << RestorationOptions(restoration) << " # " << FadingNote(restoration)
        << '\n';
  };
  Bitmap working;
  std::optional<CollectionRun> collection;
  try {
    if (!line.estimate)
      collection.emplace(
          line.collection, request,
          [&](const InputRecord& record) { return SettingsTextOf(request, record); }, errors);
    const BatchReport report = line.estimate
                                   ? EstimateBatch(request, working, messages, print, onEachInput)
                                   : RunBatch(request, working, messages, onEachInput);
    progress.Clear();
    if (collection)
      if (const auto stopped = collection->Stopped(report, request.inputs.size(), errors))
        return *stopped;
    return ReportProblems(report, errors);
  } catch (const Error& error) {
    progress.Clear();
    errors << "brumel-batch: " << (current.empty() ? "" : "failed " + current + ": ")
           << error.CommandLineText() << '\n';
    // Before the first input, the error says that nothing was written.
    const std::string left = current.empty() ? "" : NotReachedText(request.inputs, reached);
    if (!left.empty()) errors << "brumel-batch: " << left << '\n';
    return kExitInputProblem;
  }
}

}  // namespace

std::optional<OutputFormat> OutputFormatFromText(const std::string& text) {
  std::string name = UpperAscii(text);
  if (!name.empty() && name.front() == '.') name.erase(0, 1);
  for (const PictureFormat& row : PictureFormats())
    if (name == UpperAscii(row.name)) return row.format;
  return std::nullopt;
}

int RunBatchCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& errors,
                    bool errorsIsTerminal) {
  CLI::App app(
      "Restores faded photographs: corrects every INPUT with the given settings, or with --auto "
      "its own, and writes NAME0, NAME1, ... in the chosen format.",
      "brumel-batch");
  CommandLine line;
  DeclareOptions(app, line);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitWritten;
  } catch (const CLI::CallForVersion&) {
    out << app.version() << '\n';
    return kExitWritten;
  } catch (const CLI::ParseError& error) {
    return UsageError(errors, WithoutRepeatedName(error.what()));
  }
  if (!line.estimate && app.count("--output") == 0)
    return UsageError(errors, "--output is required");
  std::string problem;
  const std::optional<Restoration> given = line.settingsFrom.empty()
                                               ? RestorationOf(line.correction)
                                               : RecordedRestoration(line.settingsFrom, problem);
  if (!given) return UsageError(errors, problem);
  BatchRequest request{line.inputs, line.output, OutputFormat::Png, SettingsFor(*given),
                       line.keepGoing};
  request.settingsText = RestorationOptions(*given);
  request.jobs = line.jobs;
  if (line.automatic || line.estimate) request.automatic = HeldOptions(app, line);
  if (!line.estimate) {
    const std::string formatText = line.format.empty() ? FileExtension(line.output) : line.format;
    const std::optional<OutputFormat> format = OutputFormatFromText(formatText);
    if (!format)
      return UsageError(errors, line.format.empty() ? "no --format given and " + line.output +
                                                          " does not end in " + FormatNames(".")
                                                    : "unknown format " + line.format);
    request.format = *format;
  }
  request.compression = *TiffCompressionNamed(line.compress);
  if (request.compression != TiffCompression::None && request.format != OutputFormat::Tiff)
    return UsageError(errors, "--compress is for TIFF outputs only");
  request.depth = *SampleDepthNamed(line.depth);
  if (request.depth == SampleDepth::Bits16 && !line.estimate &&
      request.format != OutputFormat::Png && request.format != OutputFormat::Tiff)
    return UsageError(errors, "--depth 16 is for PNG and TIFF outputs only; " +
                                  std::string(FormatRow(request.format).name) +
                                  " files hold 8 bits a sample");
  if (const auto wrong = ApplyCollectionOptions(line.collection, !line.estimate, request, std::cin))
    return UsageError(errors, *wrong);
  return RunRequest(request, line, out, errors, errorsIsTerminal);
}

}  // namespace brumel
