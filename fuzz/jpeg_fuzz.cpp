// The JPEG reader.
#include "formats/jpeg/jpeg_codec.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  return PictureReadOutcome(
      [&](Bitmap& picture) { DecodeJpeg(bytes.data(), bytes.size(), picture); });
}

}  // namespace brumel::fuzz
