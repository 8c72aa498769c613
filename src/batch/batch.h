// The batch run: every input loaded, corrected in place at full size and written under the
// chosen output name followed by its index, one full-size picture in memory per job.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/input_record.h"
#include "correct/correction_settings.h"
#include "restore/estimate_restoration.h"
#include "formats/formats.h"
#include "formats/sample_depth.h"
#include "formats/tiff/libtiff_writer.h"
#include "platform/bitmap.h"
#include "platform/ports.h"

namespace brumel {

// The chosen name without its extension, then the index, then the format's output extension
// (".png", ".jpg", ".bmp" or ".TIF").
std::string BatchOutputName(const std::string& chosenName, std::size_t index, OutputFormat format);

struct BatchRequest {
  std::vector<std::string> inputs;
  std::string outputName;
  OutputFormat format = OutputFormat::Png;
  CorrectionSettings settings;
  // Go on with the next input after one fails, instead of stopping with its error.
  bool keepGoing = false;
  // With a value, each input is corrected with its own settings, estimated once it is loaded
  // with these held as given, and settings is not used.
  std::optional<HeldSettings> automatic = std::nullopt;
  // How many inputs are worked on at once, each start to end on one thread, with the outputs
  // put in place, the messages shown and the report made in input order all the same.
  int jobs = 1;
  // With true, an output name that holds a "{" is a template (see output_template.h); the
  // window's names are taken as typed.
  bool templateNames = false;
  // Each input's position in the whole input list, when the run takes only some of it; empty
  // when the inputs are the whole list.
  std::vector<std::size_t> positions = {};
  // With a value, the EXIF, XMP, IPTC and ICC profile of each input go into its JPEG, PNG or
  // TIFF output, with this as the Software tag, and the record of its restoration with them.
  std::optional<std::string> keepMetadataAs = std::nullopt;
  // The options that reproduce settings (RestorationOptions), for the record and the report.
  std::string settingsText = {};
  // Asked before each input and before each output is put in place: true ends the run there,
  // with no further output put in place.
  std::function<bool()> stopRequested = nullptr;
  // Told of each input as soon as it ends, in input order.
  InputEnded ended = nullptr;
  // How TIFF outputs are compressed; None writes the own uncompressed file at 8 bits.
  TiffCompression compression = TiffCompression::None;
  // The depth inputs are loaded, corrected and written at: 16 keeps 16-bit inputs whole and
  // gives 16-bit PNG and TIFF outputs (written by libtiff even uncompressed).
  SampleDepth depth = kDefaultSampleDepth;
};

// The most inputs a run works on at once.
inline constexpr int kMostJobs = 64;

// An input that was not written, or written damaged, and why.
struct BatchProblem {
  std::string input;
  std::string reason;
  // The reason as the command line gives it, with the library's or the system's words and the
  // output concerned; empty when it is the reason itself.
  std::string commandLineReason = {};
};

struct BatchReport {
  std::size_t written = 0;
  std::vector<BatchProblem> skipped;  // inputs that loaded nothing
  std::vector<BatchProblem> damaged;  // written as far as they could be read; what is missing
  std::vector<BatchProblem> failed;   // reader or writer errors (only with keepGoing)
};

// Called before each input is loaded: its index, the number of inputs, and its name.
using BatchProgress = std::function<void(std::size_t index, std::size_t count, const std::string&)>;

// Runs the whole batch through working (or, with several jobs, pictures of its own). An input
// of a format the table reads that is missing, unreadable or not a regular file fails like a
// reader error; a picture read only in part is written and named as damaged. Without keepGoing
// the first reader or writer error ends the run as the error type, with exactly the outputs
// before it written. Raises the error type, writing nothing, when an output name would be one
// of the inputs.
BatchReport RunBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                     const BatchProgress& progress = {});

// Called with each input's estimate.
using BatchEstimates = std::function<void(const std::string& input, const Restoration&)>;

// Loads every input and hands what restores it (request.automatic held, or nothing held) to
// found, writing nothing; the output name and format are not used. Progress, skips and failures
// are those of RunBatch, and written counts the inputs estimated.
BatchReport EstimateBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                          const BatchEstimates& found, const BatchProgress& progress = {});

// The options that reproduce an input's correction: its own settings' when it got its own,
// else the request's settingsText.
std::string SettingsTextOf(const BatchRequest& request, const InputRecord& record);

// " batch processing complete", then a line for every input that was skipped, damaged or failed.
std::string BatchCompletionMessage(const BatchReport& report);

}  // namespace brumel
