// The input's metadata carried over to a JPEG, PNG or TIFF output, with the record of the
// restoration, through libexiv2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/restoration_record.h"
#include "formats/formats.h"

namespace brumel {

// Copies the EXIF, XMP and IPTC data and the ICC profile of the picture file `from` (JPEG, PNG
// or TIFF) into the finished `to`, a JPEG, PNG or TIFF file, and adds the record to its XMP; a
// Windows bitmap stays as written. The EXIF thumbnail, a picture of the uncorrected input, is
// dropped, and the Software tag becomes `software`. An input with no metadata, or metadata the
// library cannot read or write again, gives an output with the record and the Software tag
// alone; the pixels stay as the writer wrote them. Raises the error type, naming `to`, when it
// cannot be written.
void CopyMetadata(const std::string& from, const std::string& to, OutputFormat format,
                  const std::string& software, const RestorationRecord& record);

// The same on the bytes of the JPEG, PNG or TIFF file `to` before they are written, for a writer
// that makes its file in memory, so that the file is written once; errors name `to`.
void AddMetadata(const std::string& from, std::vector<std::uint8_t>& bytes, const std::string& to,
                 const std::string& software, const RestorationRecord& record);

}  // namespace brumel
