// Which reader takes a TIFF file. The own reader keeps every file it decodes, and every file it
// refuses for reasons of the file's own (a missing tag, a strip table that does not hold the
// picture), with the pixels and messages it always gave; libtiff takes the files the own reader
// refuses only for what it does not implement: compression, tiles, predictors, depths other than
// 8 or 16 bits, photometric interpretations other than RGB, BigTIFF.
#pragma once

#include <string>

#include "formats/tiff/byte_source.h"
#include "platform/bitmap.h"
#include "platform/ports.h"
#include "platform/row_progress.h"

namespace brumel {

enum class TiffReader { Own, Libtiff };

TiffReader ChooseTiffReader(const std::string& name, ByteSource& source);

// Reads name's data with the chosen reader: true when bitmap was replaced. The own reader's
// messages go to messages; libtiff's failures raise the error type (ReadTiffWithLibtiff), with
// the own reader's message for the file, when it has one, and libtiff's reason on the command
// line: "Cant read compressed RGB Full Color Image; libtiff: ...".
bool LoadAnyTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages,
                 RowProgress* progress = nullptr);

bool LoadAnyTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages,
                     RowProgress* progress = nullptr);

}  // namespace brumel
