// The steps of the PNG adapter's two Parts, for the tests: the picture on its way between a file
// and a Bitmap, and the reads, writes and drawing that png_unit.h's calls are made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/sample_depth.h"
#include "platform/bitmap.h"

namespace brumel {

// The software text of written files: "PngUnit " and a web address.
inline constexpr char kPngSoftwareKey[] = "Software";
inline constexpr char kPngSoftwareText[] = "PngUnit http://www.libpng.org/pub/png/";

// One picture on its way between a file and a Bitmap, for the length of one read or write.
struct PngImageInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int bytesPerPixel = 0;
  // height x width x bytesPerPixel bytes, rows top to bottom without gaps.
  std::vector<std::uint8_t> pixels;
  // Entry r points at row r inside pixels.
  std::vector<std::uint8_t*> rows;
};

// Fills info from the named file: size, depth and colour type after the transformations,
// bytesPerPixel (3 for R, G, B or 4 for R, G, B, T with T the inverted alpha; at depth 16, a
// 16-bit file's samples stay two big-endian bytes each: 6 or 8), pixels and rows. Errors and
// damage as PngToBitmap.
void ReadPngFile(const std::string& fileName, PngImageInfo& info, std::string* damage = nullptr,
                 SampleDepth depth = kDefaultSampleDepth);

// Releases pixels and rows, then allocates them for height x width x bytesPerPixel bytes.
// False (with both empty) when the size doesn't fit in memory.
bool AllocPngBuffer(PngImageInfo& info) noexcept;

// Composites the pixel buffer of info (3 or 4 samples a pixel) onto target at (left, top), which
// becomes 24 bits for 8-bit samples and 48 for 16-bit ones: T = 0 copies, T = M (255 or 65535)
// keeps the target, otherwise new = (T x old + (M - T) x source) / M. Pixels outside target are
// left out.
void DrawPngBuffer(const PngImageInfo& info, Bitmap& target, int left, int top);

// Writes info (RGB of 8 bits, 3 bytes a pixel, or of 16, 6 big-endian bytes) as a PNG file;
// errors as BitmapToPng.
void WritePngFile(const std::string& fileName, const PngImageInfo& info);

}  // namespace brumel
