// The PNG adapter (Parts 4.1 and 4.2): reading a PNG file into a Bitmap and writing a Bitmap as
// a PNG file through libpng. Every call works on its own PngImageInfo (png_unit_detail.h, with
// the steps the tests call); nothing is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/sample_depth.h"
#include "platform/bitmap.h"

namespace brumel {

// Reads a PNG file into target, which gets the file's size and its pixels at 24 bits,
// transparent and partly transparent pixels composited over white. Raises "Error Opening File "
// + name + "!" when the file can't be opened and "Error Reading File!" for every failure during
// the read (also a picture larger than kMaxPictureBytes or than the file can hold), with the
// library's message on the command line; target is then left as it was. A file whose rows end
// early or are corrupt raises the same error, unless damage is given: then target gets the rows
// read so far, the rest grey (the later passes of an interlaced file missing), and *damage says
// what is missing (it is emptied for a whole picture). At depth 16, a file of 16-bit samples
// gives a 48-bit target that keeps them; every other file is read as at depth 8.
void PngToBitmap(const std::string& fileName, Bitmap& target, std::string* damage = nullptr,
                 SampleDepth depth = kDefaultSampleDepth);

// The same from bytes in memory (for the fuzz target), without damage.
void PngToBitmapFromMemory(const std::uint8_t* data, std::size_t size, Bitmap& target,
                           SampleDepth depth = kDefaultSampleDepth);

// Writes bitmap as an RGB PNG, not interlaced: a 48-bit bitmap at 16 bits a sample, any other
// format's 24-bit colours at 8 bits; with the chunks IHDR, tEXt (kPngSoftwareKey,
// kPngSoftwareText of png_unit_detail.h), IDAT, IEND. The file is replaced only when complete.
// Raises "Error Opening File " + name + "!" when the file can't be created and "Error Writing PNG
// File!" when writing fails, with the system's reason on the command line. Refuses an empty bitmap
// before creating anything.
void BitmapToPng(const std::string& fileName, const Bitmap& bitmap);

}  // namespace brumel
