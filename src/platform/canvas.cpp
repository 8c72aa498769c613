#include "platform/canvas.h"

#include <algorithm>
#include <cstdlib>

#include "platform/error.h"

namespace brumel {

void Canvas::Plot(int x, int y, Color color) {
  if (x < 0 || y < 0 || x >= target_.Width() || y >= target_.Height()) return;
  if (target_.Format() != PixelFormat::Bits24) throw Error("The drawing surface needs 24 bits");
  std::uint8_t* pixel = target_.ScanLine(y) + 3 * x;
  pixel[0] = color.blue;
  pixel[1] = color.green;
  pixel[2] = color.red;
}

Color Canvas::Pixel(int x, int y) const {
  const std::uint8_t* pixel = target_.ScanLine(y) + 3 * x;
  return {pixel[2], pixel[1], pixel[0]};
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  const int fromY = std::max(top, 0), toY = std::min(bottom, target_.Height());
  const int fromX = std::max(left, 0), toX = std::min(right, target_.Width());
  for (int y = fromY; y < toY; ++y) {
    for (int x = fromX; x < toX; ++x) {
      const bool edge = y == top || y == bottom - 1 || x == left || x == right - 1;
      Plot(x, y, edge ? pen_ : brush_);
    }
  }
}

void Canvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

// Bresenham's walk from the pen position towards (x, y), stopping one pixel short of it.
void Canvas::LineTo(int x, int y) {
  const long dx = std::labs(static_cast<long>(x) - penX_);
  const long dy = -std::labs(static_cast<long>(y) - penY_);
  const int stepX = penX_ < x ? 1 : -1;
  const int stepY = penY_ < y ? 1 : -1;
  long error = dx + dy;
  int cx = penX_;
  int cy = penY_;
  while (cx != x || cy != y) {
    Plot(cx, cy, pen_);
    const long doubled = 2 * error;
    if (doubled >= dy) {
      error += dy;
      cx += stepX;
    }
    if (doubled <= dx) {
      error += dx;
      cy += stepY;
    }
  }
  MoveTo(x, y);
}

}  // namespace brumel
