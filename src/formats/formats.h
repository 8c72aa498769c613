// The one table of picture formats. Each row declares a format once: its name on the command
// line, the extension the loader tests, the extension of batch outputs, its filters in the open
// and save dialogs, its reader and its writer. The loader, the batch, the window's dialogs,
// brumel-batch --format and the benchmarks all read it: a new format is a folder beside bmp/,
// jpeg/, png/ and tiff/ with its reader and writer, an OutputFormat and a row.
#pragma once

#include <span>
#include <string>

#include "platform/bitmap.h"
#include "platform/ports.h"
#include "platform/row_progress.h"

namespace brumel {

// A row of the table. The order of the values means nothing; the table's order does.
enum class OutputFormat { Png, Jpeg, WindowsBitmap, Tiff };

// Reads the named file into working, which is 24 bits after every load (or, for a reader that
// keeps 16-bit samples, 48 bits when the file holds them); true when working was replaced. Errors
// travel as the error type; a reader may also tell messages why the file holds no picture it takes
// and return false. A reader that produces rows one by one reports them to progress, when given.
using PictureReader = bool (*)(const std::string& fileName, Bitmap& working, MessagePort& messages,
                               RowProgress* progress);

// Writes bitmap as the named file, which is replaced only when complete. A writer that takes the
// rows one by one asks gate, when given, before each; the others wait on it for every row first.
using PictureWriter = void (*)(const std::string& fileName, const Bitmap& bitmap, RowGate* gate);

struct PictureFormat {
  OutputFormat format;
  // brumel-batch --format, in any case: "png".
  const char* name;
  // What the loader compares an upper-cased extension with: ".PNG".
  const char* loadExtension;
  // The extension of the batch's outputs: ".png".
  const char* outputExtension;
  // The label and pattern of the format's filter in the open dialog and in the save dialog.
  const char* openLabel;
  const char* openPattern;
  const char* saveLabel;
  const char* savePattern;
  PictureReader read;
  // The reader that keeps the file's 16-bit samples, for loads at 16 bits; null for a format
  // whose files hold 8 bits at most, which the loader widens.
  PictureReader keep16;
  PictureWriter write;
};

// Every row in the table's order: the order of the save dialog's filters, and the order in which
// the loader compares the extensions.
std::span<const PictureFormat> PictureFormats();

// The row of a format. Raises "Unknown output format" for a value that has none.
const PictureFormat& FormatRow(OutputFormat format);

// The row whose loader extension the name's upper-cased extension is; null for any other name.
const PictureFormat* FormatOfFileName(const std::string& fileName);

// The format of a save dialog filter, counted from 1. Raises "Unknown output format" for a number
// outside the table.
OutputFormat FormatOfSaveFilter(int filterIndex);

// The dialogs' filters as "label|pattern|label|pattern...": the open dialog lists the formats in
// the alphabetical order of their names, the save dialog in the table's order.
std::string OpenDialogFilter();
std::string SaveDialogFilter();

enum class FormatOrder { Table, Alphabetical };

// The formats' names, each after prefix: "png, jpg, bmp or tif" in the table's order.
std::string FormatNames(const std::string& prefix = "", FormatOrder order = FormatOrder::Table);

}  // namespace brumel
