// Puts pictures side by side on white, each reduced by a whole factor (the mean of factor x factor
// pixels, so that fine detail neither flickers nor vanishes), 8 pixels apart, into a JPEG of
// quality 90: the README's before and after.
// Usage: side_by_side OUTPUT.jpg FACTOR PICTURE...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/jpeg/jpeg_codec.h"
#include "formats/load_image.h"
#include "platform/bitmap.h"
#include "platform/error.h"
#include "platform/ports.h"

namespace {

constexpr int kGap = 8;

// A TIFF reader's warnings, the only messages a load gives, go to the standard error.
class StandardError : public brumel::MessagePort {
 public:
  void ShowInformation(const std::string& text) override { Print(text); }
  void ShowError(const std::string& text) override { Print(text); }

 private:
  static void Print(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
};

brumel::Bitmap Load(const std::string& name) {
  brumel::Bitmap picture;
  StandardError messages;
  if (!brumel::LoadImageFile(name, picture, messages)) throw brumel::Error("cannot read " + name);
  return picture;
}

// Writes picture reduced by factor into sheet with its left edge at column left.
void PasteReduced(const brumel::Bitmap& picture, int factor, brumel::Bitmap& sheet, int left) {
  for (int y = 0; y < picture.Height() / factor; ++y) {
    std::uint8_t* out = sheet.ScanLine(y) + 3 * left;
    for (int x = 0; x < picture.Width() / factor; ++x) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < factor; ++dy) {
          const std::uint8_t* in = picture.ScanLine(y * factor + dy) + 3 * x * factor;
          for (int dx = 0; dx < factor; ++dx) sum += in[3 * dx + c];
        }
        out[3 * x + c] = static_cast<std::uint8_t>((sum + factor * factor / 2) / (factor * factor));
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int factor = argc >= 4 ? std::atoi(argv[2]) : 0;
  if (factor < 1 || factor > 16) {
    std::fprintf(stderr, "usage: side_by_side OUTPUT.jpg FACTOR(1..16) PICTURE...\n");
    return 2;
  }
  try {
    std::vector<brumel::Bitmap> pictures;
    int width = -kGap, height = 0;
    for (int i = 3; i < argc; ++i) {
      pictures.push_back(Load(argv[i]));
      width += pictures.back().Width() / factor + kGap;
      height = std::max(height, pictures.back().Height() / factor);
    }
    brumel::Bitmap sheet(width, height);  // white
    int left = 0;
    for (const brumel::Bitmap& picture : pictures) {
      PasteReduced(picture, factor, sheet, left);
      left += picture.Width() / factor + kGap;
    }
    brumel::SaveJpegFile(argv[1], sheet);
  } catch (const brumel::Error& error) {
    std::fprintf(stderr, "side_by_side: %s\n", error.CommandLineText().c_str());
    return 1;
  }
  return 0;
}
