// Windows bitmap files, our own code in place of the platform's reader and writer.
//
// Reading takes the BITMAPCOREHEADER (OS/2 1.x), BITMAPINFOHEADER and its V2, V3, V4 and V5
// extensions; 1, 4, 8, 16, 24 and 32 bits a pixel; BI_RGB, RLE8, RLE4, BI_BITFIELDS and
// BI_ALPHABITFIELDS; bottom-up and top-down rows; palettes smaller than the depth allows (from
// the colours-used field, or from the room between the header and the pixels). The picture
// comes out as Bits1, Bits4 or Bits8 with the file's colour table, Bits32 for 32-bit BI_RGB
// files, and Bits24 otherwise (16-bit and bit-field pixels are scaled to 8 bits a channel).
// Alpha is dropped. Pixels an RLE picture leaves out have colour index 0; RLE pixels past the
// right edge of their row are dropped (ImageMagick fills odd widths up to even ones that way).
//
// Anything malformed or truncated raises "Bitmap image is not valid": a bad magic, header size,
// plane count, bit count or compression (or a compression that the bit count or a top-down
// picture can't have), a negative width, a picture larger than kMaxPictureBytes, pixel data
// that doesn't fit in the file, RLE pixels above the top row or a delta past it, RLE data that
// ends before its end-of-bitmap code, a colour index past the palette, a bit-field mask that
// isn't one run of bits within the pixel. Nothing is read past the data given. A picture of
// zero width or height is valid and empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace brumel {

// Decodes a whole Windows bitmap file held in memory; target is replaced only on success.
void DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& target);

// Reads the named file with DecodeBmp. Raises "Cannot open file " + name when the file is
// missing or can't be read, and "Bitmap image is not valid" as DecodeBmp does (also for a file
// larger than any valid picture can need).
void LoadBmpFile(const std::string& fileName, Bitmap& target);

// Writes bitmap (any pixel format; its 24-bit colours) as a 24-bit uncompressed Windows bitmap:
// a 54-byte header (BITMAPFILEHEADER and BITMAPINFOHEADER, 72 dots an inch), then bottom-up
// rows padded with zeros to 4 bytes. The file is replaced only when complete. Raises "Cannot
// create file " + name when it can't be created and "Stream write error" when its bytes can't
// be written.
void SaveBmpFile(const std::string& fileName, const Bitmap& bitmap);

}  // namespace brumel
