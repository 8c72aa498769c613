// Writing a Bitmap as a little-endian, uncompressed, single-strip, single-directory TIFF file.
// The layout follows the Bitmap's depth: RGB for 24 and 32 bits, palette for 4 and 8 bits,
// bilevel for 1 bit. The directory comes last, after all the data it points to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/bitmap.h"

namespace brumel {

// Writes the file completely or not at all: an error (the file cannot be created, the picture
// is too large, a write fails) leaves an older file of that name as it was.
void SaveTiffFile(const std::string& fileName, const Bitmap& bitmap);

// Writes the whole file to an empty stream; a Bitmap without pixels writes nothing. Raises the
// error type when the file would pass 4 GiB, before anything is written, or when a write fails.
void WriteTiff(std::FILE* stream, const Bitmap& bitmap);

// The length of the file WriteTiff makes of a Bitmap of this format and size, in 64 bits.
std::uint64_t TiffFileSize(PixelFormat format, std::uint32_t width, std::uint32_t height);

}  // namespace brumel
