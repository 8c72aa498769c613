// Loading one picture into the working bitmap, the reader chosen by the file name's extension
// from the format table.
#pragma once

#include <string>

#include "formats/sample_depth.h"
#include "platform/bitmap.h"
#include "platform/ports.h"
#include "platform/row_progress.h"

namespace brumel {

// Reads the named file into working when its upper-cased extension is the loader extension of a
// row of the table (".PNG", ".JPG", ".BMP" or ".TIF", compared in that order); any other name
// loads nothing and says nothing. True when working was replaced; it is then 24 bits at depth 8
// and 48 bits at depth 16, where 16-bit PNG and TIFF files keep every bit of their samples and
// every other file is read as at depth 8 and widened (c x 257). Reader errors travel to the
// caller as the error type; the TIFF reader's own messages go to messages. The JPEG reader and
// libtiff's reading of a TIFF report their rows to progress, when given; the other readers
// don't. A picture widened after its read was reported to progress at 8 bits.
bool LoadImageFile(const std::string& fileName, Bitmap& working, MessagePort& messages,
                   RowProgress* progress = nullptr, SampleDepth depth = kDefaultSampleDepth);

}  // namespace brumel
