// The rows of the fast correction pass, shared by the pass that has the whole picture at hand
// and the one that corrects a picture while its reader is still producing it, and their
// per-pixel step, which the view of a picture at a scale takes too. Everything that runs per
// pixel is defined in the classes, so that it is inlined into each. Both carry their sample type,
// so that one pass serves 24-bit pictures and 48-bit ones.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

#include "correct/correct_bitmap.h"
#include "correct/correction_settings.h"
#include "correct/sample_thresholds.h"
#include "correct/wide_sample_lookup.h"
#include "platform/bitmap.h"

namespace brumel {

// The last step's lookup of each sample type: exact for bytes, within a unit for 16 bits.
template <ColourSample Sample>
using LastStepLookup =
    std::conditional_t<sizeof(Sample) == 1, SampleThresholds, WideSampleLookup>;

// The light after the levels and the cross-over, per channel in byte order (blue, green, red)
// and sample value: it does not depend on the pixel, so the levels cost nothing per sample.
template <ColourSample Sample>
using LightTablesOf = std::array<std::array<double, kSampleMax<Sample> + 1>, 3>;
using LightTables = LightTablesOf<std::uint8_t>;
template <ColourSample Sample>
std::unique_ptr<const LightTablesOf<Sample>> CrossedLight(const CorrectionSettings& settings);

// The per-pixel part of the fast pass: each sample's light looked up, multiplied by its pixel's
// gain, and turned back into a sample. Shared by the rows of the whole picture and by a view that
// samples the picture at some scale, so that both correct a pixel with the same operations. Without
// a lookup (a gamma it does not cover) the last step is the direct formula.
template <ColourSample Sample>
class PixelCorrectionOf {
 public:
  using Lookup = LastStepLookup<Sample>;
  // The lookup, when given, must outlive the object.
  PixelCorrectionOf(const CorrectionSettings& settings, const Lookup* lookup)
      : lookup_(lookup), light_(CrossedLight<Sample>(settings)), gamma_(settings.Gamma) {}

  // Corrects count pixels: pixel i's three samples read at in + 3 column(i), its gain gain(i),
  // written at out + 3 i.
  template <class Column, class Gain>
  void Pixels(const Sample* in, Sample* out, int count, Column column, Gain gain) const {
    if (!lookup_) {
      const double gamma = gamma_;
      Run(in, out, count, column, gain,
          [gamma](double v) { return SampleFromLight<Sample>(v, gamma); });
    } else if constexpr (sizeof(Sample) == 1) {
      // Local names, so that the compiler need not reload them after every byte it writes.
      const SampleThresholds& thresholds = *lookup_;
      const double lowest = thresholds.Lowest(), highest = thresholds.Highest();
      Run(in, out, count, column, gain, [&thresholds, lowest, highest](double v) {
        return thresholds.Sample(v, lowest, highest);
      });
    } else {
      const Lookup& lookup = *lookup_;
      Run(in, out, count, column, gain, [&lookup](double v) { return lookup.Sample(v); });
    }
  }

 private:
  template <class Column, class Gain, class LastStep>
  void Run(const Sample* in, Sample* out, int count, Column column, Gain gain,
           LastStep sample) const {
    const LightTablesOf<Sample>& light = *light_;
    for (int i = 0; i < count; ++i) {
      const double g = gain(i);
      const Sample* pixel = in + 3 * static_cast<std::size_t>(column(i));
      const Sample blue = pixel[0], green = pixel[1], red = pixel[2];
      out[3 * i] = sample(light[0][blue] * g);
      out[3 * i + 1] = sample(light[1][green] * g);
      out[3 * i + 2] = sample(light[2][red] * g);
    }
  }

  const Lookup* const lookup_;
  // On the heap: at 16 bits the tables take 1.5 MB.
  const std::unique_ptr<const LightTablesOf<Sample>> light_;
  const double gamma_;
};
using PixelCorrection = PixelCorrectionOf<std::uint8_t>;

// A row's gains depend only on the row's distance from the centre and, within the row, on the
// column's: the rows at vertical distance d above and below the centre have the same gains, and
// so do the columns at horizontal distance dx left and right of it.
template <ColourSample Sample>
class CorrectionRowsOf {
 public:
  // The settings and lookup must outlive the object, and so must the bitmaps' pixels: the
  // rows are found from where the pixels lie, so that a bitmap may be moved (which keeps its
  // pixels in place) while its rows are corrected. Neither bitmap may be empty.
  CorrectionRowsOf(const Bitmap& source, Bitmap& destination, const CorrectionSettings& settings,
                   const LastStepLookup<Sample>& lookup)
      : in_(source.SampleLine<Sample>(0)),
        out_(destination.SampleLine<Sample>(0)),
        inStride_(source.Stride()),
        outStride_(destination.Stride()),
        settings_(settings),
        pixels_(settings, &lookup),
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
    const int cx = cx_;
    // The strides are in bytes, and a multiple of 4: whole samples at either depth.
    pixels_.Pixels(
        in_ + static_cast<std::size_t>(y) * inStride_ / sizeof(Sample),
        out_ + static_cast<std::size_t>(y) * outStride_ / sizeof(Sample), width_,
        [](int x) { return x; }, [gains, cx](int x) { return gains[std::abs(x - cx)]; });
  }

  const Sample* const in_;
  Sample* const out_;
  const std::size_t inStride_, outStride_;
  const CorrectionSettings& settings_;
  const PixelCorrectionOf<Sample> pixels_;
  const int height_, width_, cy_, cx_;
  const double farthest_;
};
using CorrectionRows = CorrectionRowsOf<std::uint8_t>;

}  // namespace brumel
