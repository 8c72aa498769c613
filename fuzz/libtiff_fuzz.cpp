// The TIFF reader as the batch runs it: the choice between the own reader and libtiff, libtiff's
// decoding and the conversion of its samples, a picture read in part taken as the batch takes
// it. The own reader's messages, one a line, then the picture, what it is missing, or the error;
// then the outcome at 16 bits, when it differs (a 16-bit file the own reader takes at 8 bits goes
// to libtiff at 16).
#include <string>

#include "formats/tiff/byte_source.h"
#include "formats/tiff/tiff_reader_choice.h"
#include "fuzz_target.h"
#include "platform/error.h"

namespace brumel::fuzz {

namespace {

class TakingDamage final : public MessagePort {
 public:
  void ShowInformation(const std::string& text) override { text_ += text + "\n"; }
  void ShowError(const std::string& text) override { text_ += text + "\n"; }
  bool NoteDamage(const std::string& missing) override {
    text_ += "damaged: " + missing + "\n";
    return true;
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

std::string ReadAt(std::span<const std::uint8_t> bytes, SampleDepth depth) {
  MemoryByteSource source(bytes);
  TakingDamage messages;
  Bitmap picture = Untouched();
  try {
    if (!LoadAnyTiff("input.tif", source, picture, messages, nullptr, depth)) {
      CheckUntouched(picture);
      return messages.Text() + "no picture";
    }
  } catch (const Error& error) {
    // The command line's text, which holds libtiff's reason.
    CheckUntouched(picture);
    return messages.Text() + error.CommandLineText();
  }
  return messages.Text() + PictureOutcome(picture);
}

}  // namespace

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  const std::string eight = ReadAt(bytes, SampleDepth::Bits8);
  const std::string sixteen = ReadAt(bytes, SampleDepth::Bits16);
  return sixteen == eight ? eight : eight + "\nat 16 bits: " + sixteen;
}

}  // namespace brumel::fuzz
