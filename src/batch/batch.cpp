#include "batch/batch.h"

#include "batch/damage_note.h"
#include "batch/input_file_check.h"
#include "batch/input_identity.h"
#include "correct/correct_bitmap.h"
#include "correct/streaming_correction.h"
#include "formats/file_name.h"
#include "formats/load_image.h"
#include "platform/error.h"

namespace brumel {

namespace {

// The JPEG writer takes each row as soon as the gate lets it; the others want the whole picture.
void WriteOutput(const std::string& name, const Bitmap& bitmap, OutputFormat format,
                 RowGate& gate) {
  FormatRow(format).write(name, bitmap, &gate);
}

void RefuseOutputsOverInputs(const BatchRequest& request) {
  const InputIdentities inputs(request.inputs);
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    const std::string output = BatchOutputName(request.outputName, i, request.format);
    if (const std::string* input = inputs.Reached(output))
      throw Error("The output " + output + " would overwrite the input " + *input +
                  "; nothing was written");
  }
}

std::string WhyNothingLoaded(const std::string& input) {
  if (FormatOfFileName(input) != nullptr) return "no picture in it could be read";
  return "not a file name Brumel reads (" + FormatNames(".", FormatOrder::Alphabetical) + ")";
}

// Corrects a loaded input, unless its rows are already being corrected alongside, and writes it.
void CorrectAndWrite(Bitmap& working, const CorrectionSettings& settings,
                     StreamingCorrection& alongside, const std::string& output,
                     OutputFormat format) {
  if (!alongside.Corrects()) CorrectBitmap(working, working, settings);
  WriteOutput(output, working, format, alongside);
}

// The settings are known only once the picture is decoded, so the correction cannot go alongside
// the decode; it goes on the second core alongside the encode instead, as a read that is over.
bool CorrectOwnSettings(const BatchRequest& request, const std::string& input,
                        const std::string& output, Bitmap& working, MessagePort& messages) {
  if (!LoadImageFile(input, working, messages)) return false;
  const CorrectionSettings settings =
      SettingsFor(EstimateRestoration(working, *request.automatic));
  StreamingCorrection alongside(settings);
  alongside.Started(working);
  alongside.RowsFinished(working.Height());
  alongside.Ended(true);
  CorrectAndWrite(working, settings, alongside, output, request.format);
  return true;
}

// One input's step: reads it through the port given, false when it loaded nothing.
using InputStep = std::function<bool(std::size_t, const std::string&, MessagePort&)>;

// Takes each input that is a readable file in turn through one step, with the progress, the
// skips, the damage and the failures of a batch.
BatchReport ForEachInput(const BatchRequest& request, MessagePort& messages,
                         const BatchProgress& progress, const InputStep& step) {
  BatchReport report;
  const std::size_t count = request.inputs.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& input = request.inputs[i];
    if (progress) progress(i, count, input);
    try {
      // A name of no format is skipped unopened; a FIFO of that name is never waited on.
      if (FormatOfFileName(input) != nullptr) CheckInputFile(input);
      DamageNote damage(messages);
      if (!step(i, input, damage)) {
        report.skipped.push_back({input, WhyNothingLoaded(input)});
        continue;
      }
      ++report.written;
      if (!damage.Missing().empty()) report.damaged.push_back({input, damage.Missing()});
    } catch (const Error& error) {
      if (!request.keepGoing) throw;
      report.failed.push_back({input, error.what(), error.CommandLineText()});
    }
  }
  return report;
}

}  // namespace

std::string BatchOutputName(const std::string& chosenName, std::size_t index, OutputFormat format) {
  return WithoutExtension(chosenName) + std::to_string(index) + FormatRow(format).outputExtension;
}

BatchReport RunBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                     const BatchProgress& progress) {
  RefuseOutputsOverInputs(request);
  const InputStep step = [&](std::size_t i, const std::string& input, MessagePort& port) {
    const std::string output = BatchOutputName(request.outputName, i, request.format);
    if (request.automatic) return CorrectOwnSettings(request, input, output, working, port);
    // A large JPEG is corrected row by row while it is decoded and written; any other picture
    // between the two.
    StreamingCorrection alongside(request.settings);
    if (!LoadImageFile(input, working, port, &alongside)) return false;
    CorrectAndWrite(working, request.settings, alongside, output, request.format);
    return true;
  };
  return ForEachInput(request, messages, progress, step);
}

BatchReport EstimateBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                          const BatchEstimates& found, const BatchProgress& progress) {
  const HeldSettings held = request.automatic.value_or(HeldSettings{});
  const InputStep step = [&](std::size_t, const std::string& input, MessagePort& port) {
    if (!LoadImageFile(input, working, port)) return false;
    found(input, EstimateRestoration(working, held));
    return true;
  };
  return ForEachInput(request, messages, progress, step);
}

std::string BatchCompletionMessage(const BatchReport& report) {
  std::string message = " batch processing complete";
  for (const BatchProblem& problem : report.skipped)
    message += "\nskipped " + problem.input + ": " + problem.reason;
  for (const BatchProblem& problem : report.damaged)
    message += "\ndamaged " + problem.input + ": " + problem.reason;
  for (const BatchProblem& problem : report.failed)
    message += "\nfailed " + problem.input + ": " + problem.reason;
  return message;
}

}  // namespace brumel
