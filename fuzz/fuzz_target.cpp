#include "fuzz_target.h"

#include <cstdio>
#include <cstdlib>

namespace brumel::fuzz {

namespace {

constexpr int kUntouchedWidth = 3;
constexpr int kUntouchedHeight = 2;

[[noreturn]] void Fail(const char* what, const Bitmap& picture) {
  std::fprintf(stderr, "%s (%d x %d pixels)\n", what, picture.Width(), picture.Height());
  std::abort();
}

}  // namespace

Bitmap Untouched() {
  return Bitmap(kUntouchedWidth, kUntouchedHeight, PixelFormat::Bits24);
}

void CheckUntouched(const Bitmap& picture) {
  if (picture.Width() != kUntouchedWidth || picture.Height() != kUntouchedHeight ||
      picture.Format() != PixelFormat::Bits24)
    Fail("a failed read changed the picture", picture);
}

std::string PictureOutcome(const Bitmap& picture) {
  if (!PictureFits(picture.Width(), picture.Height()))
    Fail("a reader accepted a picture beyond the bound", picture);
  return "picture " + std::to_string(picture.Width()) + " x " + std::to_string(picture.Height());
}

}  // namespace brumel::fuzz
