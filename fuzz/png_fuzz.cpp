// The PNG reader.
#include "fuzz_target.h"
#include "png/png_unit.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  return PictureReadOutcome(
      [&](Bitmap& picture) { PngToBitmapFromMemory(bytes.data(), bytes.size(), picture); });
}

}  // namespace brumel::fuzz
