// Fades a photograph as a colour print kept in the dark fades, for the README's sample. In density
// (D = -log10 of the linear reflectance) each dye keeps a share k of its density, the cyan dye (red
// channel) least, and the yellowed paper adds a stain s in blue and a little in green, so that a
// channel's linear light R becomes R^k x 10^-s. Towards the edges a quarter more of the dye is
// lost, and the copy gets a quarter less light at the corners, both growing as r^2 (r = 1 at the
// farthest corner). The output is a JPEG of quality 90; the same input always gives the same bytes.
// Usage: fade_photograph ORIGINAL.png OUTPUT.jpg
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "correct/correct_bitmap.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/png/png_unit.h"
#include "platform/bitmap.h"
#include "platform/error.h"
#include "restore/reduced_view.h"

namespace {

struct Dye {
  double kept;   // the share of its density the dye keeps at the centre
  double stain;  // the density the paper's stain adds in its channel
};

// In the bitmap's order of channels: blue (the yellow dye), green (magenta), red (cyan).
constexpr std::array<Dye, 3> kDyes{{{0.80, 0.12}, {0.75, 0.05}, {0.55, 0.0}}};
// How much more of the lost share the corners lose, and the light the copy loses there.
constexpr double kEdgeLoss = 0.25;
constexpr double kCornerLight = 0.25;

double FadedLight(double light, const Dye& dye, double r) {
  const double kept = 1 - (1 - dye.kept) * (1 + kEdgeLoss * r * r);
  return std::pow(light, kept) * std::pow(10.0, -dye.stain) * (1 - kCornerLight * r * r);
}

void Fade(brumel::Bitmap& picture) {
  const int cx = picture.Width() / 2, cy = picture.Height() / 2;
  const double farthest = brumel::FarthestDistance(cx, cy);
  for (int y = 0; y < picture.Height(); ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x) {
      const double r = brumel::NormalisedDistance(x, y, cx, cy, farthest);
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& sample = row[3 * x + c];
        const double light = FadedLight(brumel::SrgbToLinear(sample), kDyes[c], r);
        sample = static_cast<std::uint8_t>(std::lround(brumel::LinearToSrgb(light)));
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fade_photograph ORIGINAL.png OUTPUT.jpg\n");
    return 2;
  }
  try {
    brumel::Bitmap picture;
    brumel::PngToBitmap(argv[1], picture);
    Fade(picture);
    brumel::SaveJpegFile(argv[2], picture);
  } catch (const brumel::Error& error) {
    std::fprintf(stderr, "fade_photograph: %s\n", error.CommandLineText().c_str());
    return 1;
  }
  return 0;
}
