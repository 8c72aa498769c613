#include "batch/staged_output.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "batch/metadata_copy.h"
#include "correct/correct_bitmap.h"
#include "platform/atomic_file.h"
#include "platform/temporary_name.h"

namespace brumel {

namespace {

// A writer's message names the file it wrote, which is the output to the person who asked.
std::string NamingTheOutput(std::string text, const std::string& staged,
                            const std::string& output) {
  for (std::size_t at = text.find(staged); at != std::string::npos;
       at = text.find(staged, at + output.size()))
    text.replace(at, staged.size(), output);
  return text;
}

}  // namespace

std::string StagedName(const std::string& output, std::size_t position) {
  const std::filesystem::path folder = std::filesystem::path(output).parent_path();
  // The writers' temporary names start alike, so that one rule finds what a killed run left.
  return (folder / (TemporaryNameStart() + std::to_string(position))).string();
}

bool WriteStaged(const OutputOrigin& origin, const std::string& staged, const std::string& output,
                 const std::function<bool(const MetadataStep*)>& write) {
  const auto record = [&] {
    return RestorationRecord{origin.settingsText ? origin.settingsText() : std::string(),
                             std::filesystem::path(origin.input).filename().string()};
  };
  bool carried = false;
  const MetadataStep carry = [&](std::vector<std::uint8_t>& file) {
    AddMetadata(origin.input, file, staged, *origin.keepMetadataAs, record());
    carried = true;
  };
  try {
    if (!write(origin.keepMetadataAs ? &carry : nullptr)) return false;
    if (origin.keepMetadataAs && !carried)
      CopyMetadata(origin.input, staged, origin.format, *origin.keepMetadataAs, record());
  } catch (const Error& error) {
    std::remove(staged.c_str());
    throw Error(NamingTheOutput(error.what(), staged, output),
                NamingTheOutput(error.CommandLineText(), staged, output));
  }
  return true;
}

std::optional<Error> PutInPlace(const std::string& staged, const std::string& output) {
  if (std::rename(staged.c_str(), output.c_str()) == 0) return std::nullopt;
  const Error error = WriteError("Cannot write file " + output, output, errno);
  std::remove(staged.c_str());
  return error;
}

void WriteCorrectedPicture(const Bitmap& picture, const CorrectionSettings& settings,
                           const OutputOrigin& origin, const std::string& output) {
  const std::string staged = StagedName(output, 0);
  WriteStaged(origin, staged, output, [&](const MetadataStep*) {
    // Corrected into a picture of its own: the input's stays as it was loaded.
    Bitmap corrected(picture.Width(), picture.Height());
    CorrectBitmap(picture, corrected, settings);
    FormatRow(origin.format).write(staged, corrected, nullptr);
    return true;
  });
  if (const std::optional<Error> error = PutInPlace(staged, output)) throw *error;
}

}  // namespace brumel
