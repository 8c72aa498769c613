// The batch's decode and encode without the correction: the reference that brumel-batch's
// time is compared with. Usage: codec_reference INPUT OUTPUT (the output's extension picks the
// writer from the format table, with the batch's settings; PNG for an extension it does not name).
#include <cstdio>

#include "cli/batch_command.h"
#include "formats/file_name.h"
#include "formats/formats.h"
#include "formats/load_image.h"
#include "platform/error.h"

namespace {

class SilentMessages : public brumel::MessagePort {
 public:
  void ShowInformation(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: codec_reference INPUT OUTPUT\n");
    return 2;
  }
  const auto format = brumel::OutputFormatFromText(brumel::FileExtension(argv[2]));
  try {
    brumel::Bitmap working;
    SilentMessages messages;
    if (!brumel::LoadImageFile(argv[1], working, messages)) throw brumel::Error("nothing loaded");
    brumel::FormatRow(format.value_or(brumel::OutputFormat::Png)).write(argv[2], working, nullptr);
  } catch (const brumel::Error& error) {
    std::fprintf(stderr, "codec_reference: %s\n", error.what());
    return 1;
  }
  return 0;
}
