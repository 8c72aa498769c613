// The correction's options of brumel-batch (--corner, --centre, --curve, --gamma, --red, --green,
// --blue, --levels), declared once for the command line and for the option line that an
// output's brumel:Settings holds.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "restore/estimate_restoration.h"

namespace brumel {

struct CorrectionOptions {
  ControlPositions positions;
  std::string curve;
  std::string levels;
};

// Declares the options on app, each with its range, its default and its own message.
void DeclareCorrectionOptions(CLI::App& app, CorrectionOptions& options);

// What the parsed options stand for.
Restoration RestorationOf(const CorrectionOptions& options);

// Reads a line of the correction's options alone, as --estimate prints it, through the command
// line's own parser; empty, with the parser's complaint in problem, when it is not one.
std::optional<Restoration> ParseRestorationOptions(const std::string& line, std::string& problem);

// The restoration that FILE's brumel:Settings records, for --settings-from; empty, with a
// message that names FILE in problem, when it has none, it is no line of these options or FILE
// cannot be read.
std::optional<Restoration> RecordedRestoration(const std::string& file, std::string& problem);

// CLI11 puts the option's name before a validator's text; the bars' texts start with it already.
std::string WithoutRepeatedName(const std::string& text);

}  // namespace brumel
