#include "cli/batch_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/progress_line.h"
#include "correct/correction_settings.h"
#include "formats/file_name.h"
#include "formats/formats.h"
#include "platform/error.h"
#include "platform/number_text.h"
#include "update/program_version.h"

namespace brumel {

namespace {

// The readers' messages on stderr; the TIFF reader's carriage returns become line ends.
class StderrMessages : public MessagePort {
 public:
  StderrMessages(std::ostream& errors, ProgressLine* progress)
      : errors_(errors), progress_(progress) {}
  void ShowInformation(const std::string& text) override { Print(text); }
  void ShowError(const std::string& text) override { Print(ErrorBoxText(text)); }

 private:
  void Print(std::string text) {
    if (progress_) progress_->Clear();
    std::replace(text.begin(), text.end(), '\r', '\n');
    errors_ << "brumel-batch: " << text << '\n';
  }
  std::ostream& errors_;
  ProgressLine* progress_;
};

struct CommandLine {
  std::string output;
  std::string format;
  std::vector<std::string> inputs;
  ControlPositions positions;
  std::string curve = kCurveNames[0];
  bool keepGoing = false;
  bool quiet = false;
};

void AddBar(CLI::App& app, const char* flag, const ControlRange& control, int& position,
            const char* what) {
  position = control.initial;
  app.add_option(flag, position, what)
      ->check(CLI::Range(control.minimum, control.maximum))
      ->default_val(control.initial)
      ->type_name("N");
}

void DeclareOptions(CLI::App& app, CommandLine& line) {
  app.add_option("-o,--output", line.output, "the output name, as typed in the save dialog")
      ->required()
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
  app.add_flag("--keep-going", line.keepGoing, "after an input that fails, go on with the next");
  app.add_flag("-q,--quiet", line.quiet, "no progress display");
  app.add_option("INPUT", line.inputs, "the pictures to correct")->required()->type_name("INPUT");
  app.set_version_flag("--version", "brumel-batch " + FormatNumber(kProgramVersion));
}

int CurveIndex(const std::string& name) {
  for (int i = 0; i < kCurveCount; ++i)
    if (name == kCurveNames[i]) return i;
  return 0;
}

int UsageError(std::ostream& errors, const std::string& reason) {
  errors << "brumel-batch: " << reason << "\nRun with --help for more information.\n";
  return kExitUsage;
}

int ReportProblems(const BatchReport& report, std::ostream& errors) {
  for (const BatchProblem& problem : report.skipped)
    errors << "brumel-batch: skipped " << problem.input << ": " << problem.reason << '\n';
  for (const BatchProblem& problem : report.failed)
    errors << "brumel-batch: failed " << problem.input << ": " << problem.reason << '\n';
  return report.skipped.empty() && report.failed.empty() ? kExitWritten : kExitInputProblem;
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
      "Restores faded photographs: corrects every INPUT with the given settings and "
      "writes NAME0, NAME1, ... in the chosen format.",
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
    return UsageError(errors, error.what());
  }
  const std::string formatText = line.format.empty() ? FileExtension(line.output) : line.format;
  const std::optional<OutputFormat> format = OutputFormatFromText(formatText);
  if (!format)
    return UsageError(errors, line.format.empty() ? "no --format given and " + line.output +
                                                        " does not end in " + FormatNames(".")
                                                  : "unknown format " + line.format);
  line.positions.curve = CurveIndex(line.curve);

  BatchRequest request{line.inputs, line.output, *format, SettingsFromPositions(line.positions),
                       line.keepGoing};
  ProgressLine progress(errors);
  const bool showProgress = errorsIsTerminal && !line.quiet;
  StderrMessages messages(errors, showProgress ? &progress : nullptr);
  std::string current;
  const BatchProgress onEachInput = [&](std::size_t i, std::size_t n, const std::string& name) {
    current = name;
    if (showProgress) progress.Show(i, n, name);
  };
  Bitmap working;
  try {
    const BatchReport report = RunBatch(request, working, messages, onEachInput);
    progress.Clear();
    return ReportProblems(report, errors);
  } catch (const Error& error) {
    progress.Clear();
    errors << "brumel-batch: " << (current.empty() ? "" : "failed " + current + ": ")
           << error.what() << '\n';
    return kExitInputProblem;
  }
}

}  // namespace brumel
