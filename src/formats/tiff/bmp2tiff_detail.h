// The steps of the TIFF writer, for the tests: the file written to a stream, and its length.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/bitmap.h"

namespace brumel {

// Writes the whole file to an empty stream; a Bitmap without pixels writes nothing. Raises the
// error type when the file would pass 4 GiB, before anything is written, or when a write fails.
void WriteTiff(std::FILE* stream, const Bitmap& bitmap);

// The length of the file WriteTiff makes of a Bitmap of this format and size, in 64 bits.
std::uint64_t TiffFileSize(PixelFormat format, std::uint32_t width, std::uint32_t height);

}  // namespace brumel
