// A frame is found line by line from each edge inwards: a row or column belongs to it while
// most of its view pixels are darker than a faded print's shadows ever are, or light and
// neutral as a lid is and a yellowed paper is not (a print's own paper border shows its stain
// and stays). Most, not all: a print laid a little askew touches the edge at its corners, and a
// view pixel that means the lid with the print is neither. It leaves wedges of the lid in the
// lines past the frame, and those lines go too while the wedges reach a tenth of the way in
// from their ends: what is left of the wedges is too little to count among the darkest or
// lightest tones, and the scene's own black or white inside a line is no wedge.
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
// The share of a line's pixels that must be the frame's for the line to be, and past such lines
// the share of the lid's wedges for which a line still goes.
constexpr double kFrameShare = 0.75;
constexpr double kWedgeShare = 0.1;
// The widest frame on one side, as a share of the view's side: a scan's frame is a thin strip.
constexpr double kWidestFrame = 0.12;

bool IsFramePixel(const std::array<double, 3>& pixel) {
  const auto [least, most] = std::minmax({pixel[0], pixel[1], pixel[2]});
  return most < kDarkFrame || (least > kLightFrame && most <= kNeutralFrame * least);
}

// The share of the frame's view pixels among `count` from `first` on, `stride` apart: all of
// them, or only the runs from either end, as a wedge of the lid reaches into a line.
double FramedShare(const ReducedView& view, int first, int stride, int count, bool fromEnds) {
  if (count <= 0) return 0;
  const auto framed = [&](int k) {
    return IsFramePixel(view.light[static_cast<std::size_t>(first + k * stride)]);
  };
  int share = 0;
  if (fromEnds) {
    int lead = 0, trail = 0;
    while (lead < count && framed(lead)) ++lead;
    while (trail < count - lead && framed(count - 1 - trail)) ++trail;
    share = lead + trail;
  } else {
    for (int k = 0; k < count; ++k) share += framed(k);
  }
  return static_cast<double>(share) / count;
}

// Lines left out on each side: top, bottom, left, right.
struct Frame {
  int top = 0, bottom = 0, left = 0, right = 0;
};

// How many lines from one edge, from line `from` on, have at least `share` framed.
// `framed(k)` is the framed share of the k-th line from that edge.
template <typename Framed>
int Run(int from, int lines, double share, Framed framed) {
  int width = from;
  while (width < lines && framed(width) >= share) ++width;
  return width;
}

// Each side's frame: the lines mostly framed, then those the lid's wedges still fill from
// their ends between the other sides' frames, then the next, whose view pixels mean the frame
// with the photograph's edge. A side's frame wider than a frame's strip is the scene's, or its
// wedges ran into the scene's own dark or white edge: then only its straight lines go, or none.
Frame FindFrame(const ReducedView& view) {
  const int w = view.width, h = view.height;
  const auto row = [&](int y, int from, int to, bool ends) {
    return FramedShare(view, y * w + from, 1, to - from, ends);
  };
  const auto column = [&](int x, int from, int to, bool ends) {
    return FramedShare(view, from * w + x, w, to - from, ends);
  };
  Frame straight;
  straight.top = Run(0, h, kFrameShare, [&](int k) { return row(k, 0, w, false); });
  straight.bottom = Run(0, h, kFrameShare, [&](int k) { return row(h - 1 - k, 0, w, false); });
  straight.left = Run(0, w, kFrameShare, [&](int k) { return column(k, 0, h, false); });
  straight.right = Run(0, w, kFrameShare, [&](int k) { return column(w - 1 - k, 0, h, false); });
  const int x0 = straight.left, x1 = w - straight.right;
  const int y0 = straight.top, y1 = h - straight.bottom;
  const auto side = [](int lines, int lineFrom, const auto& wedged) {
    const double widest = kWidestFrame * lines;
    if (lineFrom == 0 || lineFrom > widest) return 0;
    const int withWedges = Run(lineFrom, lines, kWedgeShare, wedged);
    return (withWedges <= widest ? withWedges : lineFrom) + 1;
  };
  Frame frame;
  frame.top = side(h, straight.top, [&](int k) { return row(k, x0, x1, true); });
  frame.bottom = side(h, straight.bottom, [&](int k) { return row(h - 1 - k, x0, x1, true); });
  frame.left = side(w, straight.left, [&](int k) { return column(k, y0, y1, true); });
  frame.right = side(w, straight.right, [&](int k) { return column(w - 1 - k, y0, y1, true); });
  return frame;
}

}  // namespace

ReducedView WithoutScanFrame(ReducedView view) {
  const int w = view.width, h = view.height;
  if (w <= 0 || h <= 0) return view;
  const Frame frame = FindFrame(view);
  if (frame.top + frame.bottom + frame.left + frame.right == 0 || frame.top + frame.bottom >= h ||
      frame.left + frame.right >= w)
    return view;
  // The pixels inside move forward in place: each lands at or before where it was.
  std::size_t inside = 0;
  for (int y = frame.top; y < h - frame.bottom; ++y)
    for (int x = frame.left; x < w - frame.right; ++x, ++inside) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      view.light[inside] = view.light[i];
      view.distance[inside] = view.distance[i];
    }
  view.light.resize(inside);
  view.distance.resize(inside);
  view.width = w - frame.left - frame.right;
  view.height = h - frame.top - frame.bottom;
  view.centreX -= frame.left;
  view.centreY -= frame.top;
  return view;
}

}  // namespace brumel
