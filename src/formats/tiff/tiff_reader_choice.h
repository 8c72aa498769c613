// Which reader takes a TIFF file. The own reader keeps every file it decodes, and every file it
// refuses for reasons of the file's own (a missing tag, a strip table that does not hold the
// picture), with the pixels and messages it always gave; libtiff takes the files the own reader
// refuses only for what it does not implement: compression, tiles, predictors, depths other than
// 8 or 16 bits, photometric interpretations other than RGB, BigTIFF; and, at depth 16, the
// 16-bit files, whose samples the own reader narrows.
#pragma once

#include <string>

#include "formats/sample_depth.h"
#include "formats/tiff/byte_source.h"
#include "platform/bitmap.h"
#include "platform/ports.h"
#include "platform/row_progress.h"

namespace brumel {

enum class TiffReader { Own, Libtiff };

TiffReader ChooseTiffReader(const std::string& name, ByteSource& source,
                            SampleDepth depth = kDefaultSampleDepth);

// Reads name's data with the chosen reader: true when bitmap was replaced. The own reader's
// messages go to messages; libtiff's failures raise the error type (ReadTiffWithLibtiff), with
// the own reader's message for the file, when it has one, and libtiff's reason on the command
// line: "Cant read compressed RGB Full Color Image; libtiff: ...". At depth 16 a 16-bit RGB or
// grey file gives a 48-bit bitmap that keeps its samples; every other file is read as at 8.
bool LoadAnyTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages,
                 RowProgress* progress = nullptr, SampleDepth depth = kDefaultSampleDepth);

bool LoadAnyTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages,
                     RowProgress* progress = nullptr, SampleDepth depth = kDefaultSampleDepth);

}  // namespace brumel
