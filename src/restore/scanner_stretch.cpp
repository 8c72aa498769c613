// A stretch clips: it maps a chosen darkest and lightest tone to the ends of the range, and
// everything beyond piles up there. A picture that keeps its own range seldom fills both ends,
// and where it does (a camera's clipped sky over deep shadows) its channels all reach black, so
// the relief it gets here changes nothing. The share clipped is read on the reduced view, whose
// pixels are means of small clusters: a clipped area counts, a JPEG's or grain's single pixels
// at an end do not.
#include "restore/scanner_stretch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "restore/smooth_step.h"

namespace brumel {

namespace {

// The codes at and beyond which a view pixel counts as clipped at black and at white.
constexpr int kClippedBlack = 2;
constexpr int kClippedWhite = 253;
// The share of view pixels clipped at both ends (the lesser end's, in the channel clipped most
// there) at which a stretch starts to be believed and is certain.
constexpr double kNoClipping = 0.001;
constexpr double kClearClipping = 0.005;
// The density by which the darkest channel's highlights lack against the lightest's, up to
// which the highlights are alike and from which a scene colours them.
constexpr double kAlikeHighlights = 0.05;
constexpr double kSceneHighlights = 0.15;

// The share of the view's pixels clipped at black and at white, each in the channel that has
// most there.
std::array<double, 2> ClippedShares(const ReducedView& view) {
  const double black = SrgbToLinear(kClippedBlack), white = SrgbToLinear(kClippedWhite);
  std::array<double, 3> atBlack{}, atWhite{};
  for (const auto& pixel : view.light)
    for (int c = 0; c < 3; ++c) {
      atBlack[c] += pixel[c] <= black;
      atWhite[c] += pixel[c] >= white;
    }
  const double count = std::max<double>(1, static_cast<double>(view.light.size()));
  return {*std::max_element(atBlack.begin(), atBlack.end()) / count,
          *std::max_element(atWhite.begin(), atWhite.end()) / count};
}

// How far the darkest channel's highlights (99.5th percentile) lack against the lightest's,
// in density.
double HighlightDeficit(const ReducedView& view) {
  std::array<double, 3> highlight{};
  std::vector<double> values(view.light.size());
  for (int c = 0; c < 3; ++c) {
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = view.light[i][c];
    highlight[c] = Percentile(values, kHighlightShare);
  }
  const auto [lowest, highest] = std::minmax_element(highlight.begin(), highlight.end());
  return *highest > 0 ? -std::log10(std::max(*lowest, 1e-4) / *highest) : 0;
}

}  // namespace

double MeasureScannerStretch(const ReducedView& view) {
  if (view.light.empty()) return 0;
  const std::array<double, 2> clipped = ClippedShares(view);
  return SmoothStep(kNoClipping, kClearClipping, std::min(clipped[0], clipped[1])) *
         (1 - SmoothStep(kAlikeHighlights, kSceneHighlights, HighlightDeficit(view)));
}

}  // namespace brumel
