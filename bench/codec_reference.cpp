// The batch's decode and encode without the correction: the reference that brumel-batch's
// time is compared with. Usage: codec_reference INPUT OUTPUT (the output's extension, .jpg or
// .png, picks the writer with the batch's settings).
#include <cstdio>

#include "cli/batch_command.h"
#include "formats/file_name.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/load_image.h"
#include "formats/png/png_unit.h"
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
    if (format == brumel::OutputFormat::Jpeg)
      brumel::SaveJpegFile(argv[2], working);
    else
      brumel::BitmapToPng(argv[2], working);
  } catch (const brumel::Error& error) {
    std::fprintf(stderr, "codec_reference: %s\n", error.what());
    return 1;
  }
  return 0;
}
