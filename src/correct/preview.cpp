#include "correct/preview.h"

#include <cstring>

#include "platform/error.h"
#include "platform/rounding.h"

namespace brumel {

namespace {

// The shorter side is scaled by the longer side's factor; a square takes the height's.
struct Reduction {
  int width;
  int height;
  double scale;
};

Reduction ReductionFor(int width, int height) {
  const double sx = static_cast<double>(kPreviewSide) / width;
  const double sy = static_cast<double>(kPreviewSide) / height;
  if (sx >= sy) return {static_cast<int>(RoundHalfEven(width * sy)), kPreviewSide, sy};
  return {kPreviewSide, static_cast<int>(RoundHalfEven(height * sx)), sx};
}

}  // namespace

std::optional<Preview> BuildPreview(const Bitmap& working, int image1Left, int image1Top) {
  if (working.Empty()) return std::nullopt;
  if (working.Format() != PixelFormat::Bits24) throw Error("The preview needs a 24-bit bitmap");
  const Reduction r = ReductionFor(working.Width(), working.Height());
  Preview preview{Bitmap(r.width, r.height), image1Left + r.width + kPreviewGap,
                  image1Top + r.height + kPreviewGap};
  // Every sampled index stays below the side it samples: w <= W * s + 1/2, so (w - 1) / s < W.
  for (int i = 0; i < r.height; ++i) {
    const std::uint8_t* in = working.ScanLine(static_cast<int>(i / r.scale));
    std::uint8_t* out = preview.reduced.ScanLine(i);
    for (int x = 0; x < r.width; ++x)
      std::memcpy(out + 3 * x, in + 3 * static_cast<int>(x / r.scale), 3);
  }
  return preview;
}

}  // namespace brumel
