#include "cli/batch_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <iostream>
#include <system_error>
#include <thread>

#include "cli/collection_options.h"
#include "cli/not_reached.h"
#include "cli/progress_line.h"
#include "correct/correction_settings.h"
#include "correct/levels_text.h"
#include "formats/file_name.h"
#include "formats/formats.h"
#include "platform/error.h"
#include "platform/number_text.h"
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
  std::vector<std::string> inputs;
  ControlPositions positions;
  std::string curve = kCurveNames[0];
  std::string levels;
  bool automatic = false;
  bool estimate = false;
  bool keepGoing = false;
  bool quiet = false;
  int jobs = DefaultJobs();
  CollectionOptions collection;
};

// A bar's value: a whole number in its range, or the option's own message.
CLI::Validator BarValue(const char* flag, const ControlRange& control) {
  const std::string message = std::string(flag) + " takes a whole number from " +
                              std::to_string(control.minimum) + " to " +
                              std::to_string(control.maximum);
  return CLI::Validator(
      [=](const std::string& text) {
        int value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        const bool fits = error == std::errc() && stop == end && value >= control.minimum &&
                          value <= control.maximum;
        return fits ? std::string() : message;
      },
      "");
}

void AddBar(CLI::App& app, const char* flag, const ControlRange& control, int& position,
            const char* what) {
  position = control.initial;
  app.add_option(flag, position, what)
      ->check(BarValue(flag, control))
      ->default_val(control.initial)
      ->type_name("N");
}

// The bars by flag, for the options held fixed under --auto and for --estimate's line.
struct BarOption {
  const char* flag;
  int ControlPositions::*position;
  std::optional<int> HeldSettings::*held;
};
constexpr BarOption kBarOptions[] = {
    {"--corner", &ControlPositions::corner, &HeldSettings::corner},
    {"--centre", &ControlPositions::centre, &HeldSettings::centre},
    {"--curve", &ControlPositions::curve, &HeldSettings::curve},
    {"--gamma", &ControlPositions::gamma, &HeldSettings::gamma},
    {"--red", &ControlPositions::red, &HeldSettings::red},
    {"--green", &ControlPositions::green, &HeldSettings::green},
    {"--blue", &ControlPositions::blue, &HeldSettings::blue},
};

void AddLevels(CLI::App& app, std::string& levels) {
  const auto check = [](const std::string& text) {
    return ParseLevels(text) ? std::string() : LevelsSyntax();
  };
  app.add_option("--levels", levels,
                 "levels before the correction: black point, white point and gamma (at most "
                 "two decimals) of red, green and blue")
      ->check(CLI::Validator(check, ""))
      ->default_val(LevelsText(Levels{}))
      ->type_name("B:W:G,B:W:G,B:W:G");
}

void DeclareOptions(CLI::App& app, CommandLine& line) {
  app.add_option("-o,--output", line.output,
                 "the output name, as typed in the save dialog; not needed with --estimate")
      ->type_name("NAME");
  app.add_option("-f,--format", line.format,
                 FormatNames() + "; by default taken from NAME's extension")
      ->type_name("F");
  AddBar(app, "--corner", kCornerBar, line.positions.corner,
         "fade compensation at the corners (Corner bar)");
  AddBar(app, "--centre", kCentreBar, line.positions.centre,
         "fade compensation at the centre (Centre bar)");
  app.add_option("--curve", line.curve, "tone curve from the centre to the corners")
      ->check(CLI::IsMember(std::vector<std::string>(kCurveNames, kCurveNames + kCurveCount)))
      ->default_val(kCurveNames[0])
      ->type_name("C");
  AddBar(app, "--gamma", kGammaBar, line.positions.gamma, "gamma, in hundredths (Gamma bar)");
  AddBar(app, "--red", kRedBar, line.positions.red, "contrast of the red channel around mid-grey");
  AddBar(app, "--green", kGreenBar, line.positions.green,
         "contrast of the green channel around mid-grey");
  AddBar(app, "--blue", kBlueBar, line.positions.blue,
         "contrast of the blue channel around mid-grey");
  AddLevels(app, line.levels);
  app.add_flag("--auto", line.automatic,
               "each INPUT corrected with its own settings, estimated from the picture; the "
               "options given with it are kept and the rest are fitted");
  app.add_flag("--estimate", line.estimate,
               "write nothing; print for each INPUT the options that reproduce --auto's result, "
               "then after '# fading' how faded it looks (0 to 100)");
  app.add_flag("--keep-going", line.keepGoing, "after an input that fails, go on with the next");
  app.add_flag("-q,--quiet", line.quiet, "no progress display");
  app.add_option("-j,--jobs", line.jobs,
                 "how many inputs are worked on at once (by default one per core); the outputs, "
                 "messages and problems come in input order all the same")
      ->check(CLI::Range(1, kMostJobs))
      ->type_name("N");
  DeclareCollectionOptions(app, line.collection);
  app.add_option("INPUT", line.inputs, "the pictures to correct")->type_name("INPUT");
  app.set_version_flag("--version", "brumel-batch " + FormatNumber(kProgramVersion));
}

int CurveIndex(const std::string& name) {
  for (int i = 0; i < kCurveCount; ++i)
    if (name == kCurveNames[i]) return i;
  return 0;
}

// Under --auto, the settings given on the command line stay as given.
HeldSettings HeldOptions(const CLI::App& app, const CommandLine& line) {
  HeldSettings held;
  if (app.count("--levels") > 0) held.levels = ParseLevels(line.levels);
  for (const BarOption& bar : kBarOptions)
    if (app.count(bar.flag) > 0) held.*bar.held = line.positions.*bar.position;
  return held;
}

// The options that give these settings by hand.
std::string RestorationOptions(const Restoration& restoration) {
  std::string text = "--levels " + LevelsText(restoration.levels);
  for (const BarOption& bar : kBarOptions) {
    const int position = restoration.positions.*bar.position;
    text += std::string(" ") + bar.flag + ' ' +
            (bar.position == &ControlPositions::curve ? kCurveNames[position]
                                                      : std::to_string(position));
  }
  return text;
}

// CLI11 puts the option's name before a validator's text; the bars' texts start with it already.
std::string WithoutRepeatedName(const std::string& text) {
  const std::size_t colon = text.find(": ");
  if (colon == std::string::npos || text.compare(colon + 2, colon, text, 0, colon) != 0)
    return text;
  return text.substr(colon + 2);
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
    out << input << ": " << RestorationOptions(restoration) << " # fading " << restoration.fading
        << '\n';
  };
  const Restoration given{request.settings.levels, line.positions};
  Bitmap working;
  std::optional<CollectionRun> collection;
  try {
    if (!line.estimate)
      collection.emplace(line.collection, request, [&](const InputRecord& record) {
        return RestorationOptions(record.restoration.value_or(given));
      });
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
  line.positions.curve = CurveIndex(line.curve);
  BatchRequest request{line.inputs, line.output, OutputFormat::Png,
                       SettingsFromPositions(line.positions), line.keepGoing};
  request.settings.levels = *ParseLevels(line.levels);
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
  if (const auto wrong = ApplyCollectionOptions(line.collection, !line.estimate, request, std::cin))
    return UsageError(errors, *wrong);
  return RunRequest(request, line, out, errors, errorsIsTerminal);
}

}  // namespace brumel
