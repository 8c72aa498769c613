// JPEG files through libjpeg (libjpeg-turbo): decoding at full size with the default
// decompression settings straight into blue-green-red pixels, and encoding at quality 90.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bitmap.h"
#include "platform/row_progress.h"

namespace brumel {

// Decodes the named file into target (24 bits), which is replaced only after a complete decode.
// Greyscale files give three equal channels; CMYK and YCCK files (inverted when they carry an
// Adobe marker, as Photoshop and scanners write them) are converted to RGB. Raises "Cannot open
// file " + name when the file can't be opened and "JPEG error #" + the library's message code
// when decoding fails (a picture larger than kMaxPictureBytes, or than the file can hold, gives
// JERR_IMAGE_TOO_BIG, as does a file of several scans whose coefficients would take more than
// kMaxPictureBytes; a file of more than 500 scans JERR_BAD_PROGRESSION); the error's command-line
// text adds the library's message. As with the library's defaults, corrupt or missing data after
// the header only end the decode early: the missing part of the picture comes out grey, and the
// text returned says what is missing (empty for a whole picture). A progress, when given, hears
// of the picture and of its rows as they are decoded, and of the end before target is replaced.
std::string LoadJpegFile(const std::string& fileName, Bitmap& target,
                         RowProgress* progress = nullptr);

// The same from bytes in memory (for the fuzz target).
std::string DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& target);

// Encodes bitmap (any pixel format; its 24-bit colours) as a baseline JPEG, quality 90, the
// library's default parameters (YCbCr, 2x2 chroma subsampling, JFIF header), not progressive.
// The file is replaced only when complete. Refuses an empty bitmap. Raises "Cannot create file "
// + name when the file can't be created, "Stream write error" when its bytes can't be written
// (both with the system's reason on the command line), and "JPEG error #" + code for any other
// failure of the library (a side over 65500 pixels). A
// gate, when given, is asked before each row is read.
void SaveJpegFile(const std::string& fileName, const Bitmap& bitmap, RowGate* gate = nullptr);

}  // namespace brumel
