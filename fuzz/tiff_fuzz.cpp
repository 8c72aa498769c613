// The TIFF directory reader and decoder: the messages of the load, one a line, then the picture.
#include <string>

#include "formats/tiff/byte_source.h"
#include "formats/tiff/read_tiff.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

namespace {

class CollectedMessages final : public MessagePort {
 public:
  void ShowInformation(const std::string& text) override { text_ += text + "\n"; }
  void ShowError(const std::string& text) override { text_ += text + "\n"; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  MemoryByteSource source(bytes);
  CollectedMessages messages;
  Bitmap picture = Untouched();
  if (!LoadTiff("input.tif", source, picture, messages)) {
    CheckUntouched(picture);
    return messages.Text() + "no picture";
  }
  return messages.Text() + PictureOutcome(picture);
}

}  // namespace brumel::fuzz
