// The input's metadata carried over to a JPEG or PNG output, through libexiv2.
#pragma once

#include <string>

#include "formats/formats.h"

namespace brumel {

// Copies the EXIF, XMP and IPTC data and the ICC profile of the picture file `from` (JPEG, PNG
// or TIFF) into the finished `to`, when the format is JPEG or PNG; other formats stay as
// written. The EXIF thumbnail, a picture of the uncorrected input, is dropped, and the Software
// tag becomes `software`. An input with no metadata, or whose metadata cannot be read, leaves
// the output as written; raises the error type, naming `to`, when it cannot be written.
void CopyMetadata(const std::string& from, const std::string& to, OutputFormat format,
                  const std::string& software);

}  // namespace brumel
