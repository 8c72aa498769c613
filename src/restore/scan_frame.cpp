// A frame is found line by line from each edge inwards: a row or column belongs to it while
// nearly all its view pixels are darker than a faded print's shadows ever are, or light and
// neutral as a lid is and a yellowed paper is not (a print's own paper border shows its stain
// and stays). A print laid a little askew leaves wedges of the lid in the lines past the frame;
// those lines hold much of the print and stay, wedges and all.
#include "restore/scan_frame.h"

#include <algorithm>
#include <cstddef>

namespace brumel {

namespace {

// The linear light (every channel) below which a view pixel is a dark frame's: about code 40,
// far under the darkest tones of a print whose dyes lost any density, well above a black lid's
// or a slide mount's scan.
constexpr double kDarkFrame = 0.02;
// The linear light (every channel) above which, and the most its channels may differ (as a
// ratio), a view pixel is a light frame's: about code 220 and neutral within 5 %, where a
// yellowed paper's blue lacks 10 % or more.
constexpr double kLightFrame = 0.7;
constexpr double kNeutralFrame = 1.05;
// The share of a line's pixels that must be the frame's for the line to be.
constexpr double kFrameShare = 0.9;
// The widest frame on one side, as a share of the view's side: a scan's frame is a thin strip.
constexpr double kWidestFrame = 0.12;

bool IsFramePixel(const std::array<double, 3>& pixel) {
  const auto [least, most] = std::minmax({pixel[0], pixel[1], pixel[2]});
  return most < kDarkFrame || (least > kLightFrame && most <= kNeutralFrame * least);
}

bool IsFrameLine(const ReducedView& view, int first, int stride, int count) {
  int framed = 0;
  for (int k = 0; k < count; ++k)
    framed += IsFramePixel(view.light[static_cast<std::size_t>(first + k * stride)]);
  return framed >= kFrameShare * count;
}

// How many lines from one edge to leave out: the frame's, and the next, whose view pixels mean
// the frame with the photograph's edge. None where the run is longer than a frame's.
// `framed(k)` tells whether the k-th line from that edge is the frame's.
template <typename Framed>
int FrameWidth(int lines, Framed framed) {
  const int widest = static_cast<int>(kWidestFrame * lines);
  int width = 0;
  while (width < lines && framed(width)) ++width;
  return width > 0 && width <= widest ? width + 1 : 0;
}

}  // namespace

ReducedView WithoutScanFrame(const ReducedView& view) {
  const int w = view.width, h = view.height;
  if (w <= 0 || h <= 0) return view;
  const int top = FrameWidth(h, [&](int k) { return IsFrameLine(view, k * w, 1, w); });
  const int bottom = FrameWidth(h, [&](int k) { return IsFrameLine(view, (h - 1 - k) * w, 1, w); });
  const int left = FrameWidth(w, [&](int k) { return IsFrameLine(view, k, w, h); });
  const int right = FrameWidth(w, [&](int k) { return IsFrameLine(view, w - 1 - k, w, h); });
  if (top + bottom + left + right == 0 || top + bottom >= h || left + right >= w) return view;
  ReducedView inside = view;
  inside.width = w - left - right;
  inside.height = h - top - bottom;
  inside.centreX -= left;
  inside.centreY -= top;
  inside.light.clear();
  inside.distance.clear();
  for (int y = top; y < h - bottom; ++y)
    for (int x = left; x < w - right; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      inside.light.push_back(view.light[i]);
      inside.distance.push_back(view.distance[i]);
    }
  return inside;
}

}  // namespace brumel
