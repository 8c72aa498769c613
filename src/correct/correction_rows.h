// The rows of the fast correction pass, shared by the pass that has the whole picture at hand
// and the one that corrects a picture while its reader is still producing it. Everything that
// runs per pixel is defined in the class, so that it is inlined into both.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "correct/correct_bitmap.h"
#include "correct/correction_settings.h"
#include "correct/sample_thresholds.h"
#include "platform/bitmap.h"

namespace brumel {

// The light after the levels and the cross-over, per channel in byte order (blue, green, red)
// and sample value: it does not depend on the pixel, so the levels cost nothing per sample.
using LightTables = std::array<std::array<double, 256>, 3>;
LightTables CrossedLight(const CorrectionSettings& settings);

// A row's gains depend only on the row's distance from the centre and, within the row, on the
// column's: the rows at vertical distance d above and below the centre have the same gains, and
// so do the columns at horizontal distance dx left and right of it.
class CorrectionRows {
 public:
  // The settings and thresholds must outlive the object, and so must the bitmaps' pixels: the
  // rows are found from where the pixels lie, so that a bitmap may be moved (which keeps its
  // pixels in place) while its rows are corrected. Neither bitmap may be empty.
  CorrectionRows(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                 const SampleThresholds& thresholds)
      : in_(source.ScanLine(0)),
        out_(destination.ScanLine(0)),
        inStride_(source.Stride()),
        outStride_(destination.Stride()),
        settings_(settings),
        thresholds_(thresholds),
        light_(CrossedLight(settings)),
        height_(source.Height()),
        width_(source.Width()),
        cy_(height_ / 2),
        cx_(width_ / 2),
        farthest_(FarthestDistance(cx_, cy_)) {}

  // The vertical distances 0..cy cover every row: cy + d is never more than the last row.
  int Distances() const { return cy_ + 1; }
  // How many gains a row needs room for.
  int GainsPerRow() const { return cx_ + 1; }

  // Corrects the rows at the vertical distances first..end - 1, both rows of each distance with
  // one computation of the gains.
  void MirroredRows(int first, int end, double* gains) const {
    for (int d = first; d < end; ++d) {
      RowGains(d, gains);
      Row(cy_ - d, gains);
      if (d > 0 && cy_ + d < height_) Row(cy_ + d, gains);
    }
  }

  // Corrects the rows first..end - 1 from top to bottom, each with its own gains: for a picture
  // whose lower rows are not there yet.
  void RowsInOrder(int first, int end, double* gains) const {
    for (int y = first; y < end; ++y) {
      RowGains(std::abs(y - cy_), gains);
      Row(y, gains);
    }
  }

 private:
  void RowGains(int d, double* gains) const {
    // Local copies: the gains written below could otherwise alias the settings, and the curve
    // choice could not be taken out of the loop.
    const CorrectionSettings settings = settings_;
    const double farthest = farthest_;
    for (int dx = 0; dx <= cx_; ++dx)
      gains[dx] = PixelGain(settings, NormalisedDistance(dx, d, 0, 0, farthest));
  }

  void Row(int y, const double* gains) const {
    const std::uint8_t* in = in_ + static_cast<std::size_t>(y) * inStride_;
    std::uint8_t* out = out_ + static_cast<std::size_t>(y) * outStride_;
    // Local names, so that the compiler need not reload them after every byte it writes.
    const SampleThresholds& thresholds = thresholds_;
    const LightTables& light = light_;
    const int width = width_, cx = cx_;
    const double lowest = thresholds.Lowest(), highest = thresholds.Highest();
    for (int x = 0; x < width; ++x) {
      const double gain = gains[std::abs(x - cx)];
      const std::uint8_t blue = in[3 * x], green = in[3 * x + 1], red = in[3 * x + 2];
      out[3 * x] = thresholds.Sample(light[0][blue] * gain, lowest, highest);
      out[3 * x + 1] = thresholds.Sample(light[1][green] * gain, lowest, highest);
      out[3 * x + 2] = thresholds.Sample(light[2][red] * gain, lowest, highest);
    }
  }

  const std::uint8_t* const in_;
  std::uint8_t* const out_;
  const std::size_t inStride_, outStride_;
  const CorrectionSettings& settings_;
  const SampleThresholds& thresholds_;
  const LightTables light_;
  const int height_, width_, cy_, cx_;
  const double farthest_;
};

}  // namespace brumel
