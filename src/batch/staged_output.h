// How the batch and the window write a picture: under a staged name in the output's folder,
// with the input's metadata carried in, and renamed over the output only once complete, so
// that a failed or interrupted write never leaves a broken output.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "correct/correction_settings.h"
#include "formats/formats.h"
#include "platform/bitmap.h"
#include "platform/error.h"

namespace brumel {

// Where the output of the input at this position of the whole input list waits, beside its
// place, until it is complete: the shards of one list, which may share a folder, never share a
// staged name, even on machines whose name and process number are alike.
std::string StagedName(const std::string& output, std::size_t position);

// What a written output takes over from its input.
struct OutputOrigin {
  std::string input;
  OutputFormat format = OutputFormat::Png;
  // With a value, the input's metadata goes into a JPEG, PNG or TIFF output with this Software
  // tag, and the record of its restoration with it.
  std::optional<std::string> keepMetadataAs;
  // The options that reproduce the output's correction, asked for once the picture is written:
  // an automatic run knows its settings only once it has read the input.
  std::function<std::string()> settingsText = nullptr;
};

// Carries the input's metadata and the record into the bytes of a finished output, before they
// are written (AddMetadata).
using MetadataStep = std::function<void(std::vector<std::uint8_t>& file)>;

// Writes an output under its staged name (write is false when there was nothing to write) and
// carries the input's metadata and the record into it; errors name the output, and remove what
// was staged. When the output keeps metadata, write is handed the step that carries it, for a
// writer that makes its file in memory to run on the bytes, so that the file is written once;
// a file written without it gets the metadata afterwards. Otherwise write is handed null.
bool WriteStaged(const OutputOrigin& origin, const std::string& staged, const std::string& output,
                 const std::function<bool(const MetadataStep*)>& write);

// Puts a finished output in place; the error that says why, when the rename fails.
std::optional<Error> PutInPlace(const std::string& staged, const std::string& output);

// The window's one picture: picture (the input's, untouched) corrected with settings and written
// under exactly the name output, as the batch writes each of its outputs. Raises the error type.
void WriteCorrectedPicture(const Bitmap& picture, const CorrectionSettings& settings,
                           const OutputOrigin& origin, const std::string& output);

}  // namespace brumel
