// Writing a Bitmap as a little-endian, uncompressed, single-strip, single-directory TIFF file.
// The layout follows the Bitmap's depth: RGB for 24 and 32 bits, palette for 4 and 8 bits,
// bilevel for 1 bit. The directory comes last, after all the data it points to.
#pragma once

#include <string>

#include "platform/bitmap.h"

namespace brumel {

// Writes the file completely or not at all: an error (the file cannot be created, the picture
// is too large, a write fails) leaves an older file of that name as it was; an empty picture is
// refused before anything is created.
void SaveTiffFile(const std::string& fileName, const Bitmap& bitmap);

}  // namespace brumel
