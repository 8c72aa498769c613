// The Windows-bitmap reader.
#include "formats/bmp/bmp_codec.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  return PictureReadOutcome(
      [&](Bitmap& picture) { DecodeBmp(bytes.data(), bytes.size(), picture); });
}

}  // namespace brumel::fuzz
