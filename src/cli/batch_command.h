// brumel-batch: the batch run from a shell, with the window's settings given as control positions.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "batch/batch.h"

namespace brumel {

// Exit statuses of brumel-batch.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitInputProblem = 1;
inline constexpr int kExitUsage = 2;

// The name of a row of the format table ("png", "jpg", "bmp" or "tif"), in any case, with or
// without the leading dot.
std::optional<OutputFormat> OutputFormatFromText(const std::string& text);

// Parses the command line and runs the batch; returns the exit status. Progress goes to
// errors only when it is a terminal (and not quiet).
int RunBatchCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& errors,
                    bool errorsIsTerminal);

}  // namespace brumel
