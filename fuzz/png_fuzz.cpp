// The PNG reader.
#include "formats/png/png_unit.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  return PictureReadOutcome(
      [&](Bitmap& picture) { PngToBitmapFromMemory(bytes.data(), bytes.size(), picture); });
}

}  // namespace brumel::fuzz
