#include "correct/view_correction.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "correct/correct_bitmap.h"
#include "correct/correction_rows.h"
#include "correct/fast_correction.h"
#include "correct/sample_thresholds.h"
#include "platform/error.h"

namespace brumel {

namespace {

void CheckView(const Bitmap& picture, const ViewPlacement& placement, const Bitmap& view) {
  if (picture.Format() != PixelFormat::Bits24 || view.Format() != PixelFormat::Bits24)
    throw Error("The view needs 24-bit bitmaps");
  if (!std::isfinite(placement.left) || !std::isfinite(placement.top) ||
      !std::isfinite(placement.scale) || !(placement.scale > 0))
    throw Error("The view's place on the picture is out of range");
}

struct ViewSpans {
  ViewSpan columns, rows;
  bool Empty() const { return columns.sources.empty() || rows.sources.empty(); }
};

ViewSpans SpansOf(const Bitmap& picture, const ViewPlacement& placement, const Bitmap& view) {
  return {SpanOnPicture(placement.left, placement.scale, view.Width(), picture.Width()),
          SpanOnPicture(placement.top, placement.scale, view.Height(), picture.Height())};
}

// The view's pixel bytes where its span of columns starts, in view row rows.first + k.
std::uint8_t* ViewRow(Bitmap& view, const ViewSpans& spans, int k) {
  return view.ScanLine(spans.rows.first + k) + 3 * static_cast<std::size_t>(spans.columns.first);
}

}  // namespace

ViewSpan SpanOnPicture(double start, double scale, int viewPixels, int pictureSide) {
  ViewSpan span;
  for (int i = 0; i < viewPixels; ++i) {
    // Compared as a double first: far outside the picture the index would not fit an int (and
    // a NaN is on no pixel).
    const double source = std::floor(start + (i + 0.5) / scale);
    if (!(source >= 0)) continue;
    if (source >= pictureSide) break;
    if (span.sources.empty()) span.first = i;
    span.sources.push_back(static_cast<int>(source));
  }
  return span;
}

void SampleView(const Bitmap& picture, const ViewPlacement& placement, Bitmap& view) {
  CheckView(picture, placement, view);
  const ViewSpans spans = SpansOf(picture, placement, view);
  if (spans.Empty()) return;
  const int shown = static_cast<int>(spans.rows.sources.size());
  const int count = static_cast<int>(spans.columns.sources.size());
  InBands(shown, CorrectionThreadCount(count, shown), [&](int first, int end, int) {
    for (int k = first; k < end; ++k) {
      const std::uint8_t* in = picture.ScanLine(spans.rows.sources[k]);
      std::uint8_t* out = ViewRow(view, spans, k);
      for (const int x : spans.columns.sources) {
        std::memcpy(out, in + 3 * static_cast<std::size_t>(x), 3);
        out += 3;
      }
    }
  });
}

void CorrectView(const Bitmap& picture, const CorrectionSettings& settings,
                 const ViewPlacement& placement, Bitmap& view) {
  CheckView(picture, placement, view);
  const ViewSpans spans = SpansOf(picture, placement, view);
  if (spans.Empty()) return;
  const std::optional<SampleThresholds> thresholds = SampleThresholds::ForGamma(settings.Gamma);
  const PixelCorrection pixels(settings, thresholds ? &*thresholds : nullptr);
  const int cy = picture.Height() / 2, cx = picture.Width() / 2;
  const double farthest = FarthestDistance(cx, cy);
  const std::vector<int>& columns = spans.columns.sources;
  const std::vector<int>& rows = spans.rows.sources;
  const int count = static_cast<int>(columns.size());
  // A local copy: the gains written below could otherwise alias the settings.
  const CorrectionSettings local = settings;
  const int shown = static_cast<int>(rows.size());
  const int threads = std::min(CorrectionThreadCount(count, shown), shown);
  std::vector<double> allGains(static_cast<std::size_t>(threads) * columns.size());
  const auto band = [&](int first, int end, int index) {
    double* gains = allGains.data() + static_cast<std::size_t>(index) * columns.size();
    for (int k = first; k < end; ++k) {
      const int y = rows[k];
      std::uint8_t* out = ViewRow(view, spans, k);
      // Enlarged, several view rows show the same source row: corrected once, then copied.
      if (k > first && rows[k - 1] == y) {
        std::memcpy(out, ViewRow(view, spans, k - 1), 3 * columns.size());
        continue;
      }
      for (int i = 0; i < count; ++i)
        gains[i] = PixelGain(local, NormalisedDistance(columns[i], y, cx, cy, farthest));
      pixels.Pixels(
          picture.ScanLine(y), out, count, [&columns](int i) { return columns[i]; },
          [gains](int i) { return gains[i]; });
    }
  };
  InBands(shown, threads, band);
}

}  // namespace brumel
