// The PNG reader at 8 bits and at 16: the outcome, then the one at 16 bits when it differs.
#include "formats/png/png_unit.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  std::string outcomes[2];
  for (const SampleDepth depth : {SampleDepth::Bits8, SampleDepth::Bits16})
    outcomes[depth == SampleDepth::Bits16] = PictureReadOutcome([&](Bitmap& picture) {
      PngToBitmapFromMemory(bytes.data(), bytes.size(), picture, depth);
    });
  return outcomes[1] == outcomes[0] ? outcomes[0] : outcomes[0] + "\nat 16 bits: " + outcomes[1];
}

}  // namespace brumel::fuzz
