// A drawing surface on a 24-bit Bitmap: a pen for lines and outlines, a brush for fills.
// Coverage: a line includes its start pixel and omits its end pixel; a rectangle's right and
// bottom bounds are exclusive; everything is clipped to the raster.
#pragma once

#include <cstdint>

#include "platform/bitmap.h"

namespace brumel {

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Color&) const = default;
};

class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(target) {}

  Color PenColor() const { return pen_; }
  void SetPenColor(Color color) { pen_ = color; }
  Color BrushColor() const { return brush_; }
  void SetBrushColor(Color color) { brush_ = color; }

  // Fills [left, right) x [top, bottom) with the brush and outlines it with the pen.
  void Rectangle(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  int PenX() const { return penX_; }
  int PenY() const { return penY_; }

  Color Pixel(int x, int y) const;

 private:
  void Plot(int x, int y, Color color);

  Bitmap& target_;
  Color pen_{0, 0, 0};
  Color brush_{255, 255, 255};
  int penX_ = 0;
  int penY_ = 0;
};

}  // namespace brumel
