#include "batch/batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "batch/damage_note.h"
#include "batch/input_file_check.h"
#include "batch/inputs_in_order.h"
#include "batch/output_template.h"
#include "batch/staged_output.h"
#include "correct/correct_bitmap.h"
#include "restore/restoration_options.h"
#include "correct/streaming_correction.h"
#include "formats/file_name.h"
#include "formats/load_image.h"
#include "platform/error.h"

namespace brumel {

namespace {

// The JPEG writer takes each row as soon as the gate lets it; the others want the whole picture.
// A compressed or 16-bit TIFF is written by libtiff, its strips compressed on threads threads,
// and made in memory, where carry, when given, adds the metadata before the one write.
void WriteOutput(const std::string& name, const Bitmap& bitmap, const BatchRequest& request,
                 RowGate* gate, unsigned threads, const MetadataStep* carry) {
  const bool ownTiff =
      request.compression == TiffCompression::None && bitmap.Format() != PixelFormat::Bits48;
  if (request.format != OutputFormat::Tiff || ownTiff)
    return FormatRow(request.format).write(name, bitmap, gate);
  if (gate != nullptr) gate->AwaitRows(bitmap.Height());
  SaveCompressedTiff(name, bitmap, request.compression, threads, carry);
}

unsigned Cores() {
  return std::max(std::thread::hardware_concurrency(), 1u);
}

void RefuseOutputsOverInputs(const BatchRequest& request) {
  if (std::optional<std::string> problem = OutputOverInput(request)) {
    problem->front() = 'T';  // the window shows it as a sentence of its own
    throw Error(*problem + "; nothing was written");
  }
}

std::string WhyNothingLoaded(const std::string& input) {
  if (FormatOfFileName(input) != nullptr) return "no picture in it could be read";
  return "not a file name Brumel reads (" + FormatNames(".", FormatOrder::Alphabetical) + ")";
}

// Loads an input into spare and swaps it into working once it loaded, so that working keeps its
// picture when the load fails, as a load does; spare's memory (the picture before last) takes
// the next input, and the batch touches fresh memory only for its first two pictures.
bool LoadInput(const std::string& input, SampleDepth depth, Bitmap& working, Bitmap& spare,
               MessagePort& messages, RowProgress* progress = nullptr) {
  spare.Clear();
  if (!LoadImageFile(input, spare, messages, progress, depth)) return false;
  std::swap(working, spare);
  return true;
}

// Corrects a loaded input, unless its rows are already being corrected alongside, and writes it.
void CorrectAndWrite(Bitmap& working, const CorrectionSettings& settings,
                     StreamingCorrection& alongside, const std::string& output,
                     const BatchRequest& request, const MetadataStep* carry) {
  if (!alongside.Corrects()) CorrectBitmap(working, working, settings);
  WriteOutput(output, working, request, &alongside, Cores(), carry);
}

// The settings are known only once the picture is decoded, so the correction cannot go alongside
// the decode; it goes on the second core alongside the encode instead, as a read that is over.
bool CorrectOwnSettings(const BatchRequest& request, const std::string& input,
                        const std::string& output, Bitmap& working, Bitmap& spare,
                        MessagePort& messages, std::optional<Restoration>& found,
                        const MetadataStep* carry) {
  if (!LoadInput(input, request.depth, working, spare, messages)) return false;
  found = EstimateRestoration(working, *request.automatic);
  const CorrectionSettings settings = SettingsFor(*found);
  StreamingCorrection alongside(settings);
  alongside.Started(working);
  alongside.RowsFinished(working.Height());
  alongside.Ended(true);
  CorrectAndWrite(working, settings, alongside, output, request, carry);
  return true;
}

bool Stopping(const BatchRequest& request) {
  return request.stopRequested && request.stopRequested();
}

// Raised by a step that was asked to stop: the run ends there.
struct Stopped {};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Fills in how an input ended and tells whoever follows the run.
void Ended(const BatchRequest& request, InputRecord& record, InputStatus status,
           const std::string& reason) {
  record.status = status;
  record.reason = reason;
  if (request.ended) request.ended(record);
}

// Counts an input that loaded a picture (whole, or missing what `missing` says) or nothing in
// the report, and tells whoever follows the run: one way for one input at a time and for many.
void Settle(const BatchRequest& request, BatchReport& report, InputRecord& record, bool loaded,
            const std::string& missing) {
  if (loaded) {
    ++report.written;
    if (!missing.empty()) report.damaged.push_back({record.input, missing});
    Ended(request, record, InputStatus::Written, missing);
  } else {
    report.skipped.push_back({record.input, WhyNothingLoaded(record.input)});
    Ended(request, record, InputStatus::Skipped, report.skipped.back().reason);
  }
}

// Tells of an input that failed; false when the failure ends the run, else it is counted.
bool SettleFailure(const BatchRequest& request, BatchReport& report, InputRecord& record,
                   const Error& error) {
  Ended(request, record, InputStatus::Failed, error.CommandLineText());
  if (!request.keepGoing) return false;
  report.failed.push_back({record.input, error.what(), error.CommandLineText()});
  return true;
}

// One input's step: reads it through the port given and fills in its record; false when it
// loaded nothing.
using InputStep = std::function<bool(std::size_t, const std::string&, MessagePort&, InputRecord&)>;

// Takes each input that is a readable file in turn through one step, with the progress, the
// skips, the damage and the failures of a batch, until a stop is asked.
BatchReport ForEachInput(const BatchRequest& request, MessagePort& messages,
                         const BatchProgress& progress, const InputStep& step) {
  BatchReport report;
  const std::size_t count = request.inputs.size();
  for (std::size_t i = 0; i < count && !Stopping(request); ++i) {
    const std::string& input = request.inputs[i];
    if (progress) progress(i, count, input);
    InputRecord record{input};
    const auto start = std::chrono::steady_clock::now();
    try {
      // A name of no format is skipped unopened; a FIFO of that name is never waited on.
      if (FormatOfFileName(input) != nullptr) CheckInputFile(input);
      DamageNote damage(messages);
      const bool loaded = step(i, input, damage, record);
      record.seconds = SecondsSince(start);
      Settle(request, report, record, loaded, damage.Missing());
    } catch (const Error& error) {
      record.seconds = SecondsSince(start);
      if (!SettleFailure(request, report, record, error)) throw;
    } catch (const Stopped&) {
      break;
    }
  }
  return report;
}

// What the output of the input with this index takes over from it: its metadata and the
// record of its restoration.
OutputOrigin OriginOf(const BatchRequest& request, std::size_t index, const InputRecord& record) {
  return {request.inputs[index], request.format, request.keepMetadataAs,
          [&request, &record] { return SettingsTextOf(request, record); }};
}

// One input of a parallel run, start to end on this thread: the other inputs keep the other
// cores busy, so neither the correction nor the codecs start threads of their own.
bool WorkOnInput(const BatchRequest& request, std::size_t index, Bitmap& working,
                 MessagePort& messages, InputRecord& record) {
  const auto start = std::chrono::steady_clock::now();
  const std::string& input = request.inputs[index];
  if (Stopping(request)) return false;
  if (FormatOfFileName(input) != nullptr) CheckInputFile(input);
  working.Clear();  // the thread's picture before is written: its memory takes this one
  if (!LoadImageFile(input, working, messages, nullptr, request.depth)) return false;
  if (request.automatic) record.restoration = EstimateRestoration(working, *request.automatic);
  const CorrectionSettings settings =
      record.restoration ? SettingsFor(*record.restoration) : request.settings;
  CorrectBitmap(working, working, settings, 1);
  const std::string staged = StagedName(record.output, PositionOf(request, index));
  WriteStaged(OriginOf(request, index, record), staged, record.output,
              [&](const MetadataStep* carry) {
                return WriteOutput(staged, working, request, nullptr, 1, carry), true;
              });
  record.width = working.Width();
  record.height = working.Height();
  record.seconds = SecondsSince(start);
  return true;
}

BatchReport RunInParallel(const BatchRequest& request, MessagePort& messages,
                          const BatchProgress& progress) {
  BatchReport report;
  std::optional<Error> stoppedBy;
  const std::size_t count = request.inputs.size();
  // Each record is filled by the one worker of its input, and read once its outcome is taken.
  std::vector<InputRecord> records(count);
  for (std::size_t i = 0; i < count; ++i)
    records[i] = {request.inputs[i], OutputNameOf(request, i)};
  const auto output = [&](std::size_t i) { return records[i].output; };
  const auto staged = [&](std::size_t i) { return StagedName(output(i), PositionOf(request, i)); };
  const auto take = [&](std::size_t i, InputOutcome& outcome) {
    outcome.messages.ReplayTo(messages);
    if (Stopping(request)) {
      if (outcome.loaded && !outcome.failed) std::remove(staged(i).c_str());
      return false;
    }
    const auto failed = [&](const Error& error) {
      if (SettleFailure(request, report, records[i], error)) return true;
      stoppedBy = error;
      return false;
    };
    if (outcome.failed) return failed(Error(outcome.reason, outcome.commandLineReason));
    if (outcome.loaded) {
      if (const std::optional<Error> error = PutInPlace(staged(i), output(i)))
        return failed(*error);
    }
    Settle(request, report, records[i], outcome.loaded, outcome.messages.Missing());
    return true;
  };
  RunInputsInOrder(
      count, request.jobs,
      [&](std::size_t i, Bitmap& working, MessagePort& said) {
        return WorkOnInput(request, i, working, said, records[i]);
      },
      [&](std::size_t i) {
        if (progress) progress(i, count, request.inputs[i]);
      },
      take, [&](std::size_t i) { std::remove(staged(i).c_str()); });
  if (stoppedBy) throw *stoppedBy;
  return report;
}

}  // namespace

std::string BatchOutputName(const std::string& chosenName, std::size_t index, OutputFormat format) {
  return WithoutExtension(chosenName) + std::to_string(index) + FormatRow(format).outputExtension;
}

BatchReport RunBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                     const BatchProgress& progress) {
  RefuseOutputsOverInputs(request);
  if (request.jobs > 1 && request.inputs.size() > 1)
    return RunInParallel(request, messages, progress);
  Bitmap spare;
  const InputStep step = [&](std::size_t i, const std::string& input, MessagePort& port,
                             InputRecord& record) {
    record.output = OutputNameOf(request, i);
    const std::string staged = StagedName(record.output, PositionOf(request, i));
    const auto write = [&](const MetadataStep* carry) {
      if (request.automatic)
        return CorrectOwnSettings(request, input, staged, working, spare, port, record.restoration,
                                  carry);
      // A large JPEG is corrected row by row while it is decoded and written; any other picture
      // between the two. A picture widened after its read is corrected at its new depth.
      StreamingCorrection alongside(request.settings);
      RowProgress* decoded = request.depth == SampleDepth::Bits8 ? &alongside : nullptr;
      if (!LoadInput(input, request.depth, working, spare, port, decoded)) return false;
      CorrectAndWrite(working, request.settings, alongside, staged, request, carry);
      return true;
    };
    const bool loaded = WriteStaged(OriginOf(request, i, record), staged, record.output, write);
    if (!loaded) return false;
    record.width = working.Width();
    record.height = working.Height();
    if (Stopping(request)) {
      std::remove(staged.c_str());
      throw Stopped{};
    }
    if (const std::optional<Error> error = PutInPlace(staged, record.output)) throw *error;
    return true;
  };
  return ForEachInput(request, messages, progress, step);
}

BatchReport EstimateBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                          const BatchEstimates& found, const BatchProgress& progress) {
  const HeldSettings held = request.automatic.value_or(HeldSettings{});
  Bitmap spare;
  const InputStep step = [&](std::size_t, const std::string& input, MessagePort& port,
                             InputRecord&) {
    if (!LoadInput(input, request.depth, working, spare, port)) return false;
    found(input, EstimateRestoration(working, held));
    return true;
  };
  return ForEachInput(request, messages, progress, step);
}

std::string SettingsTextOf(const BatchRequest& request, const InputRecord& record) {
  return record.restoration ? RestorationOptions(*record.restoration) : request.settingsText;
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
