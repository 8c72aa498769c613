#include "batch/batch.h"

#include <sys/stat.h>

#include <filesystem>

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

// Two names are the same file when they reach the same inode, or, where one does not exist
// yet, when their absolute, normalised paths agree.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  std::error_code error;
  const auto pathA = std::filesystem::weakly_canonical(std::filesystem::absolute(a), error);
  if (error) return a == b;
  const auto pathB = std::filesystem::weakly_canonical(std::filesystem::absolute(b), error);
  if (error) return a == b;
  return pathA == pathB;
}

void RefuseOutputsOverInputs(const BatchRequest& request) {
  for (std::size_t i = 0; i < request.inputs.size(); ++i) {
    const std::string output = BatchOutputName(request.outputName, i, request.format);
    for (const std::string& input : request.inputs)
      if (SameFile(output, input))
        throw Error("The output " + output + " would overwrite the input " + input +
                    "; nothing was written");
  }
}

std::string WhyNothingLoaded(const std::string& input) {
  if (FormatOfFileName(input) != nullptr) return "no picture in it could be read";
  return "not a file name Brumel reads (" + FormatNames(".", FormatOrder::Alphabetical) + ")";
}

}  // namespace

std::string BatchOutputName(const std::string& chosenName, std::size_t index, OutputFormat format) {
  return WithoutExtension(chosenName) + std::to_string(index) + FormatRow(format).outputExtension;
}

BatchReport RunBatch(const BatchRequest& request, Bitmap& working, MessagePort& messages,
                     const BatchProgress& progress) {
  RefuseOutputsOverInputs(request);
  BatchReport report;
  const std::size_t count = request.inputs.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& input = request.inputs[i];
    if (progress) progress(i, count, input);
    try {
      // A large JPEG is corrected row by row while it is decoded and written; any other picture
      // between the two.
      StreamingCorrection alongside(request.settings);
      if (!LoadImageFile(input, working, messages, &alongside)) {
        report.skipped.push_back({input, WhyNothingLoaded(input)});
        continue;
      }
      if (!alongside.Corrects()) CorrectBitmap(working, working, request.settings);
      WriteOutput(BatchOutputName(request.outputName, i, request.format), working, request.format,
                  alongside);
      ++report.written;
    } catch (const Error& error) {
      if (!request.keepGoing) throw;
      report.failed.push_back({input, error.what()});
    }
  }
  return report;
}

std::string BatchCompletionMessage(const BatchReport& report) {
  std::string message = " batch processing complete";
  for (const BatchProblem& problem : report.skipped)
    message += "\nskipped " + problem.input + ": " + problem.reason;
  for (const BatchProblem& problem : report.failed)
    message += "\nfailed " + problem.input + ": " + problem.reason;
  return message;
}

}  // namespace brumel
