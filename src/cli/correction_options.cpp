#include "cli/correction_options.h"

#include <charconv>
#include <system_error>

#include "batch/restoration_record.h"
#include "correct/levels_text.h"
#include "platform/error.h"

namespace brumel {

namespace {

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

// Far more than the longest line of every option with its longest value, which is under 200.
constexpr std::size_t kLongestRecord = 1000;

int CurveIndex(const std::string& name) {
  for (int i = 0; i < kCurveCount; ++i)
    if (name == kCurveNames[i]) return i;
  return 0;
}

}  // namespace

void DeclareCorrectionOptions(CLI::App& app, CorrectionOptions& options) {
  AddBar(app, "--corner", kCornerBar, options.positions.corner,
         "fade compensation at the corners (Corner bar)");
  AddBar(app, "--centre", kCentreBar, options.positions.centre,
         "fade compensation at the centre (Centre bar)");
  options.curve = kCurveNames[kCurveChoice.initial];
  app.add_option("--curve", options.curve, "tone curve from the centre to the corners")
      ->check(CLI::IsMember(std::vector<std::string>(kCurveNames, kCurveNames + kCurveCount)))
      ->default_val(options.curve)
      ->type_name("C");
  AddBar(app, "--gamma", kGammaBar, options.positions.gamma, "gamma, in hundredths (Gamma bar)");
  AddBar(app, "--red", kRedBar, options.positions.red,
         "contrast of the red channel around mid-grey");
  AddBar(app, "--green", kGreenBar, options.positions.green,
         "contrast of the green channel around mid-grey");
  AddBar(app, "--blue", kBlueBar, options.positions.blue,
         "contrast of the blue channel around mid-grey");
  AddLevels(app, options.levels);
}

Restoration RestorationOf(const CorrectionOptions& options) {
  Restoration restoration;
  restoration.levels = *ParseLevels(options.levels);
  restoration.positions = options.positions;
  restoration.positions.curve = CurveIndex(options.curve);
  return restoration;
}

std::optional<Restoration> ParseRestorationOptions(const std::string& line, std::string& problem) {
  CLI::App app;
  app.set_help_flag();  // a record that asks for help is no line of the correction's options
  CorrectionOptions options;
  DeclareCorrectionOptions(app, options);
  try {
    app.parse(line, false);
  } catch (const CLI::ParseError& error) {
    problem = WithoutRepeatedName(error.what());
    return std::nullopt;
  }
  return RestorationOf(options);
}

std::optional<Restoration> RecordedRestoration(const std::string& file, std::string& problem) {
  std::optional<std::string> settings;
  try {
    settings = RecordedSettings(file);
  } catch (const Error& error) {
    problem = "--settings-from: " + error.CommandLineText();
    return std::nullopt;
  }
  if (!settings) {
    problem = "--settings-from: " + file +
              " holds no brumel:Settings, the record of a restoration by Brumel";
    return std::nullopt;
  }
  std::string wrong = "longer than any such line";
  if (settings->size() <= kLongestRecord)
    if (std::optional<Restoration> restoration = ParseRestorationOptions(*settings, wrong))
      return restoration;
  problem = "--settings-from: the brumel:Settings of " + file + " (" +
            settings->substr(0, kLongestRecord) +
            ") is not a line of the correction's options: " + wrong;
  return std::nullopt;
}

std::string WithoutRepeatedName(const std::string& text) {
  const std::size_t colon = text.find(": ");
  if (colon == std::string::npos || text.compare(colon + 2, colon, text, 0, colon) != 0)
    return text;
  return text.substr(colon + 2);
}

}  // namespace brumel
