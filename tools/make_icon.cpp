// Draws Brumel's icon: a print of a landscape whose upper-left half is still faded while the
// lower-right half has come back to colour. One list of shapes gives both the scalable SVG and
// the 32 x 32 icon in 16 colours; the small one takes the colour of the shape under each pixel's
// centre, so its edges stay sharp instead of blending into colours outside the palette.
// Usage: make_icon ICON.svg ICON.png
#include <png.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

struct Rgba {
  unsigned char r, g, b, a;
};

// Index 0 is the transparent background; each part of the scene has a vivid and a faded colour,
// the faded ones washed out towards the magenta cast that old colour prints take.
constexpr std::array<Rgba, 13> kPalette = {{
    {0, 0, 0, 0},             // background
    {0x2e, 0x2b, 0x28, 255},  // edge of the print
    {0xf6, 0xf1, 0xe4, 255},  // paper, and the house's wall
    {0x3a, 0x8d, 0xe0, 255},  // sky
    {0xc7, 0xbf, 0xcf, 255},  // faded sky
    {0xff, 0xc6, 0x29, 255},  // sun
    {0xef, 0xdc, 0xc2, 255},  // faded sun
    {0x2f, 0x7d, 0x5b, 255},  // far hills
    {0xa9, 0xa1, 0xa8, 255},  // faded far hills
    {0x5c, 0xab, 0x3c, 255},  // meadow
    {0xc4, 0xb6, 0xa3, 255},  // faded meadow
    {0xd0, 0x39, 0x2b, 255},  // roof
    {0xdb, 0xb0, 0xa8, 255},  // faded roof
}};
static_assert(kPalette.size() <= 16, "the small icon has 16 colours at most");

struct Point {
  double x, y;
};

// A polygon, or a circle when radius is above 0 (its centre is the one point).
struct Shape {
  std::vector<Point> points;
  double radius;
  int vivid;
  int faded;
};

std::vector<Point> Rectangle(double left, double top, double right, double bottom) {
  return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

// The picture on the print spans x 5..27, y 7..22; the triangle above its diagonal is faded.
const std::vector<Point> kFadedPart = {{5, 7}, {27, 7}, {5, 22}};

// Back to front.
std::vector<Shape> Scene() {
  return {
      {Rectangle(2, 4, 30, 28), 0, 1, 1},
      {Rectangle(3, 5, 29, 27), 0, 2, 2},
      {Rectangle(5, 7, 27, 22), 0, 3, 4},
      {{{22, 11}}, 2.6, 5, 6},
      {{{5, 17}, {10, 12.5}, {14, 15}, {19, 11.5}, {27, 16}, {27, 22}, {5, 22}}, 0, 7, 8},
      {{{5, 19}, {12, 16.5}, {20, 18}, {27, 17.5}, {27, 22}, {5, 22}}, 0, 9, 10},
      {Rectangle(19, 17, 23, 20), 0, 2, 2},
      {{{18.5, 17}, {21, 14.5}, {23.5, 17}}, 0, 11, 12},
  };
}

// Even-odd rule: a point is inside when a ray to its right crosses the outline an odd number of
// times.
bool InsidePolygon(const std::vector<Point>& polygon, Point p) {
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Point a = polygon[i];
    const Point b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
      inside = !inside;
  }
  return inside;
}

bool Inside(const Shape& shape, Point p) {
  if (shape.radius > 0)
    return std::hypot(p.x - shape.points[0].x, p.y - shape.points[0].y) < shape.radius;
  return InsidePolygon(shape.points, p);
}

std::string Hex(int index) {
  const Rgba c = kPalette[index];
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

std::string PointList(const std::vector<Point>& points) {
  std::string list;
  for (const Point& p : points) {
    char pair[32];
    std::snprintf(pair, sizeof pair, "%s%g,%g", list.empty() ? "" : " ", p.x, p.y);
    list += pair;
  }
  return list;
}

std::string SvgElement(const Shape& shape, int colour) {
  char element[256];
  if (shape.radius > 0)
    std::snprintf(element, sizeof element, "<circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>",
                  shape.points[0].x, shape.points[0].y, shape.radius, Hex(colour).c_str());
  else
    std::snprintf(element, sizeof element, "<polygon points=\"%s\" fill=\"%s\"/>",
                  PointList(shape.points).c_str(), Hex(colour).c_str());
  return element;
}

// The scene in its vivid colours, then again in its faded ones clipped to the faded triangle.
std::string Svg(const std::vector<Shape>& scene) {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
      "viewBox=\"0 0 32 32\">\n"
      "  <defs><clipPath id=\"faded\"><polygon points=\"" +
      PointList(kFadedPart) + "\"/></clipPath></defs>\n";
  for (const Shape& shape : scene) svg += "  " + SvgElement(shape, shape.vivid) + "\n";
  svg += "  <g clip-path=\"url(#faded)\">\n";
  for (const Shape& shape : scene) svg += "    " + SvgElement(shape, shape.faded) + "\n";
  return svg + "  </g>\n</svg>\n";
}

std::vector<unsigned char> Pixels(const std::vector<Shape>& scene) {
  std::vector<unsigned char> pixels(kSize * kSize, 0);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const Point centre = {x + 0.5, y + 0.5};
      const bool faded = InsidePolygon(kFadedPart, centre);
      for (const Shape& shape : scene)
        if (Inside(shape, centre)) pixels[y * kSize + x] = faded ? shape.faded : shape.vivid;
    }
  return pixels;
}

bool WriteSvg(const char* path, const std::string& svg) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  return std::fclose(file) == 0 && written;
}

// libpng gives a palette of up to 16 entries 4 bits per pixel.
bool WritePng(const char* path, const std::vector<unsigned char>& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kSize;
  image.height = kSize;
  image.format = PNG_FORMAT_RGBA_COLORMAP;
  image.colormap_entries = kPalette.size();
  if (png_image_write_to_file(&image, path, 0, pixels.data(), kSize, kPalette.data())) return true;
  std::fprintf(stderr, "make_icon: %s: %s\n", path, image.message);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon ICON.svg ICON.png\n");
    return 2;
  }
  const std::vector<Shape> scene = Scene();
  if (!WriteSvg(argv[1], Svg(scene))) {
    std::perror(argv[1]);
    return 1;
  }
  return WritePng(argv[2], Pixels(scene)) ? 0 : 1;
}
