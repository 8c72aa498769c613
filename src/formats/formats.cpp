#include "formats/formats.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "formats/bmp/bmp_codec.h"
#include "formats/file_name.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/png/png_unit.h"
#include "formats/tiff/bmp2tiff.h"
#include "formats/tiff/tiff_reader_choice.h"
#include "platform/error.h"

namespace brumel {

namespace {

template <SampleDepth depth>
bool ReadPng(const std::string& fileName, Bitmap& working, MessagePort& messages,
             RowProgress* /*progress*/) {
  Bitmap picture;
  std::string damage;
  PngToBitmap(fileName, picture, &damage, depth);
  if (!damage.empty() && !messages.NoteDamage(damage))
    throw Error("Error Reading File!", "Error Reading File! " + damage);
  working = std::move(picture);
  return true;
}

bool ReadJpeg(const std::string& fileName, Bitmap& working, MessagePort& messages,
              RowProgress* progress) {
  const std::string damage = LoadJpegFile(fileName, working, progress);
  if (!damage.empty()) messages.NoteDamage(damage);
  return true;
}

bool ReadBmp(const std::string& fileName, Bitmap& working, MessagePort& /*messages*/,
             RowProgress* /*progress*/) {
  Bitmap picture;
  LoadBmpFile(fileName, picture);
  picture.SetPixelFormat(PixelFormat::Bits24);
  working = std::move(picture);
  return true;
}

template <SampleDepth depth>
bool ReadTiff(const std::string& fileName, Bitmap& working, MessagePort& messages,
              RowProgress* progress) {
  if (!LoadAnyTiffFile(fileName, working, messages, progress, depth)) return false;
  if (working.Format() != LoadedFormat(depth)) working.SetPixelFormat(PixelFormat::Bits24);
  return true;
}

// A writer that wants the whole picture: it waits for every row first.
template <void (*Save)(const std::string&, const Bitmap&)>
void WholePicture(const std::string& fileName, const Bitmap& bitmap, RowGate* gate) {
  if (gate != nullptr) gate->AwaitRows(bitmap.Height());
  Save(fileName, bitmap);
}

// The loader compares the extensions in this order, and the save dialog lists the filters in it.
// Format, name, loader extension, output extension, open filter, save filter, reader, the reader
// that keeps 16 bits, writer.
constexpr PictureFormat kFormats[] = {
    {OutputFormat::Png, "png", ".PNG", ".png", "Ping", "*.png", "Ping", "*.PNG",
     ReadPng<SampleDepth::Bits8>, ReadPng<SampleDepth::Bits16>, WholePicture<BitmapToPng>},
    {OutputFormat::Jpeg, "jpg", ".JPG", ".jpg", "jpeg", "*.jpg", "Jpeg", "*.JPG", ReadJpeg, nullptr,
     SaveJpegFile},
    {OutputFormat::WindowsBitmap, "bmp", ".BMP", ".bmp", "bitmap", "*.bmp", "BitMap", "*.BMP",
     ReadBmp, nullptr, WholePicture<SaveBmpFile>},
    {OutputFormat::Tiff, "tif", ".TIF", ".TIF", "Tif", "*.tif", "tif (uncompressed)", "*.tif",
     ReadTiff<SampleDepth::Bits8>, ReadTiff<SampleDepth::Bits16>, WholePicture<SaveTiffFile>},
};

std::vector<const PictureFormat*> InOrder(FormatOrder order) {
  std::vector<const PictureFormat*> rows;
  for (const PictureFormat& row : kFormats) rows.push_back(&row);
  if (order == FormatOrder::Alphabetical)
    std::sort(rows.begin(), rows.end(), [](const PictureFormat* a, const PictureFormat* b) {
      return std::strcmp(a->name, b->name) < 0;
    });
  return rows;
}

std::string Filter(FormatOrder order, const char* PictureFormat::*label,
                   const char* PictureFormat::*pattern) {
  std::string pairs;
  for (const PictureFormat* row : InOrder(order)) {
    if (!pairs.empty()) pairs += '|';
    pairs += std::string(row->*label) + '|' + row->*pattern;
  }
  return pairs;
}

}  // namespace

std::span<const PictureFormat> PictureFormats() {
  return kFormats;
}

const PictureFormat& FormatRow(OutputFormat format) {
  for (const PictureFormat& row : kFormats)
    if (row.format == format) return row;
  throw Error("Unknown output format");
}

const PictureFormat* FormatOfFileName(const std::string& fileName) {
  // The extensions are distinct, so at most one row matches.
  const std::string extension = UpperAscii(FileExtension(fileName));
  for (const PictureFormat& row : kFormats)
    if (extension == row.loadExtension) return &row;
  return nullptr;
}

OutputFormat FormatOfSaveFilter(int filterIndex) {
  if (filterIndex < 1 || filterIndex > static_cast<int>(std::size(kFormats)))
    throw Error("Unknown output format");
  return kFormats[filterIndex - 1].format;
}

std::string OpenDialogFilter() {
  return Filter(FormatOrder::Alphabetical, &PictureFormat::openLabel, &PictureFormat::openPattern);
}

std::string SaveDialogFilter() {
  return Filter(FormatOrder::Table, &PictureFormat::saveLabel, &PictureFormat::savePattern);
}

std::string FormatNames(const std::string& prefix, FormatOrder order) {
  const std::vector<const PictureFormat*> rows = InOrder(order);
  std::string names;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) names += i + 1 < rows.size() ? ", " : " or ";
    names += prefix + rows[i]->name;
  }
  return names;
}

}  // namespace brumel
