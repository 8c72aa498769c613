// Decoding the uncompressed full-colour RGB directories of a TIFF file into a Bitmap. Problems
// are told to the user through the message port, one message per directory, and the load goes
// on with the next directory.
#pragma once

#include <string>

#include "formats/tiff/byte_source.h"
#include "platform/bitmap.h"
#include "platform/ports.h"

namespace brumel {

inline constexpr char kTiffImageDataError[] = "Error reading image data";

// Fills bitmap, at 24 bits, with the last RGB directory of the file that decodes; true when it
// did. Without such a directory the bitmap is left as it was.
bool LoadTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages);

// The same for data from any source (memory, for the fuzzer); name is the file name the
// messages show.
bool LoadTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages);

}  // namespace brumel
