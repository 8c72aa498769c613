// Reading a TIFF file through libtiff: every compression, tile and plane arrangement, predictor
// and depth the library decodes, for the files the own reader does not take.
#pragma once

#include <string>

#include "formats/sample_depth.h"
#include "formats/tiff/byte_source.h"
#include "platform/bitmap.h"
#include "platform/ports.h"
#include "platform/row_progress.h"

namespace brumel {

// Reads the first directory of name's data into target (24 bits), which is replaced only when
// the read ends. RGB and grey pictures of 8 or 16 bits a sample are converted here from the
// decoded samples, 16-bit ones narrowed to round(c / 257) as the PNG reader does, or at depth 16
// kept in a 48-bit target; every other
// kind (palette, 1 or 4 bits, YCbCr, CMYK) through libtiff's RGBA conversion. Raises
// kTiffImageDataError, with the file name and libtiff's words (or why the picture is refused:
// a size beyond kMaxPictureBytes, or more than the file can hold, before anything large is
// allocated) on the command line. Rows that stop decoding partway give the picture as far as
// it goes, the rest grey, when messages take it (NoteDamage names the row); else the error.
// A progress, when given, hears of the picture, of its rows as they decode, and of the end.
void ReadTiffWithLibtiff(const std::string& name, ByteSource& source, Bitmap& target,
                         MessagePort& messages, RowProgress* progress = nullptr,
                         SampleDepth depth = kDefaultSampleDepth);

}  // namespace brumel
