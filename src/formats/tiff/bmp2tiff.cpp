#include "formats/tiff/bmp2tiff.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "formats/tiff/bmp2tiff_detail.h"
#include "formats/tiff/read_tiff_tags.h"
#include "platform/atomic_file.h"
#include "platform/byte_order.h"
#include "platform/error.h"

namespace brumel {

namespace {

// Written as its 10 characters without a terminating zero; the fixed offsets depend on that.
constexpr char kSoftware[] = "Dorvi soft";
constexpr std::uint32_t kSoftwareBytes = 10;
constexpr std::uint64_t kMaxFileBytes = 0xFFFFFFFF;

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;
};

class LittleEndianBytes {
 public:
  void U16(std::uint32_t value) {
    std::uint8_t bytes[2];
    Put16(bytes, static_cast<std::uint16_t>(value), true);
    bytes_.insert(bytes_.end(), bytes, bytes + sizeof bytes);
  }
  void U32(std::uint32_t value) {
    std::uint8_t bytes[4];
    Put32(bytes, value, true);
    bytes_.insert(bytes_.end(), bytes, bytes + sizeof bytes);
  }
  void Text(const char* text, std::size_t length) {
    bytes_.insert(bytes_.end(), text, text + length);
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// A file is everything before the pixels, the pixel rows, and everything after them.
struct TiffLayout {
  LittleEndianBytes head;
  std::size_t rowBytes = 0;
  LittleEndianBytes tail;
};

void AppendHeader(LittleEndianBytes& bytes, std::uint32_t directoryOffset) {
  bytes.Text("II", 2);
  bytes.U16(42);
  bytes.U32(directoryOffset);
}

// XResolution and YResolution: 87.7 pixels per inch.
void AppendResolutions(LittleEndianBytes& bytes) {
  for (int i = 0; i < 2; ++i) {
    bytes.U32(877);
    bytes.U32(10);
  }
}

void AppendSoftware(LittleEndianBytes& bytes) {
  bytes.Text(kSoftware, kSoftwareBytes);
}

void AppendDirectory(LittleEndianBytes& bytes, const std::vector<Entry>& entries) {
  bytes.U16(static_cast<std::uint32_t>(entries.size()));
  for (const Entry& entry : entries) {
    bytes.U16(entry.tag);
    bytes.U16(entry.type);
    bytes.U32(entry.count);
    bytes.U32(entry.value);
  }
  bytes.U32(0);
}

std::uint64_t DirectoryBytes(std::uint64_t entryCount) {
  return 2 + 12 * entryCount + 4;
}

std::uint32_t ColorMapBytes(PixelFormat format) {
  return 6u << BitsPerPixel(format);
}

// Four-bit rows are written in whole pairs of bytes, so their width is rounded down to 4.
std::uint32_t WrittenWidth(PixelFormat format, std::uint32_t width) {
  return format == PixelFormat::Bits4 ? width / 4 * 4 : width;
}

std::uint64_t RowBytes(PixelFormat format, std::uint32_t width) {
  switch (format) {
    case PixelFormat::Bits1: return (std::uint64_t{width} + 7) / 8;
    case PixelFormat::Bits4: return WrittenWidth(format, width) / 2;
    case PixelFormat::Bits8: return width;
    case PixelFormat::Bits24:
    case PixelFormat::Bits32:
    case PixelFormat::Bits48: break;
  }
  return 3 * std::uint64_t{width};
}

// A width or height above 65535 does not fit a SHORT.
std::uint16_t SizeType(std::uint32_t size) {
  return size > 0xFFFF ? kTypeLong : kTypeShort;
}

// The layouts below take sizes that TiffFileSize has found to fit 32-bit offsets.

TiffLayout RgbLayout(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t data = 3 * width * height;
  TiffLayout layout;
  layout.rowBytes = 3 * std::size_t{width};
  AppendHeader(layout.head, 40 + data);
  AppendResolutions(layout.head);
  for (int i = 0; i < 3; ++i) layout.head.U16(8);
  AppendSoftware(layout.head);
  AppendDirectory(layout.tail, {{kTagNewSubfileType, kTypeLong, 1, 0},
                                {kTagImageWidth, SizeType(width), 1, width},
                                {kTagImageLength, SizeType(height), 1, height},
                                {kTagBitsPerSample, kTypeShort, 3, 24},
                                {kTagCompression, kTypeShort, 1, 1},
                                {kTagPhotometric, kTypeShort, 1, 2},
                                {kTagStripOffsets, kTypeLong, 1, 40},
                                {kTagSamplesPerPixel, kTypeShort, 1, 3},
                                {kTagRowsPerStrip, kTypeLong, 1, height},
                                {kTagStripByteCounts, kTypeLong, 1, data},
                                {kTagXResolution, kTypeRational, 1, 8},
                                {kTagYResolution, kTypeRational, 1, 16},
                                {kTagPlanarConfiguration, kTypeShort, 1, 1},
                                {kTagResolutionUnit, kTypeShort, 1, 2},
                                {kTagSoftware, kTypeAscii, kSoftwareBytes, 30}});
  return layout;
}

TiffLayout PaletteLayout(const Bitmap& bitmap) {
  const PixelFormat format = bitmap.Format();
  const auto depth = static_cast<std::uint32_t>(bitmap.BitsPerPixel());
  const std::uint32_t colors = 1u << depth;
  const std::uint32_t map = ColorMapBytes(format);
  const std::uint32_t width = WrittenWidth(format, static_cast<std::uint32_t>(bitmap.Width()));
  const auto height = static_cast<std::uint32_t>(bitmap.Height());
  const auto rowBytes = static_cast<std::uint32_t>(RowBytes(format, width));
  const std::uint32_t data = rowBytes * height;
  TiffLayout layout;
  layout.rowBytes = rowBytes;
  AppendHeader(layout.head, 34 + map + data);
  const std::vector<PaletteEntry>& table = bitmap.ColorTable();
  for (auto component : {&PaletteEntry::red, &PaletteEntry::green, &PaletteEntry::blue})
    for (std::uint32_t i = 0; i < colors; ++i)
      layout.head.U16(i < table.size() ? std::uint32_t{table[i].*component} << 8 : 0);
  AppendResolutions(layout.head);
  AppendSoftware(layout.head);
  AppendDirectory(layout.tail, {{kTagNewSubfileType, kTypeLong, 1, 0},
                                {kTagImageWidth, SizeType(width), 1, width},
                                {kTagImageLength, SizeType(height), 1, height},
                                {kTagBitsPerSample, kTypeShort, 1, depth},
                                {kTagCompression, kTypeShort, 1, 1},
                                {kTagPhotometric, kTypeShort, 1, 3},
                                {kTagStripOffsets, kTypeLong, 1, 34 + map},
                                {kTagSamplesPerPixel, kTypeShort, 1, 1},
                                {kTagRowsPerStrip, kTypeLong, 1, height},
                                {kTagStripByteCounts, kTypeLong, 1, data},
                                {kTagXResolution, kTypeRational, 1, 8 + map},
                                {kTagYResolution, kTypeRational, 1, 16 + map},
                                {kTagResolutionUnit, kTypeShort, 1, 2},
                                {kTagSoftware, kTypeAscii, kSoftwareBytes, 24 + map},
                                {kTagColorMap, kTypeShort, 3 * colors, 8}});
  return layout;
}

TiffLayout BilevelLayout(std::uint32_t width, std::uint32_t height) {
  const auto rowBytes = static_cast<std::uint32_t>(RowBytes(PixelFormat::Bits1, width));
  const std::uint32_t data = rowBytes * height;
  const std::uint32_t after = 8 + data;
  TiffLayout layout;
  layout.rowBytes = rowBytes;
  AppendHeader(layout.head, after + 26);
  AppendResolutions(layout.tail);
  AppendSoftware(layout.tail);
  AppendDirectory(layout.tail, {{kTagNewSubfileType, kTypeLong, 1, 0},
                                {kTagImageWidth, SizeType(width), 1, width},
                                {kTagImageLength, SizeType(height), 1, height},
                                {kTagBitsPerSample, kTypeShort, 1, 1},
                                {kTagCompression, kTypeShort, 1, 1},
                                {kTagPhotometric, kTypeShort, 1, 1},
                                {kTagStripOffsets, kTypeLong, 1, 8},
                                {kTagSamplesPerPixel, kTypeShort, 1, 1},
                                {kTagRowsPerStrip, kTypeLong, 1, height},
                                {kTagStripByteCounts, kTypeLong, 1, data},
                                {kTagXResolution, kTypeRational, 1, after},
                                {kTagYResolution, kTypeRational, 1, after + 8},
                                {kTagResolutionUnit, kTypeShort, 1, 2},
                                {kTagSoftware, kTypeAscii, kSoftwareBytes, after + 16}});
  return layout;
}

TiffLayout LayoutFor(const Bitmap& bitmap) {
  const auto width = static_cast<std::uint32_t>(bitmap.Width());
  const auto height = static_cast<std::uint32_t>(bitmap.Height());
  switch (bitmap.Format()) {
    case PixelFormat::Bits1: return BilevelLayout(width, height);
    case PixelFormat::Bits4:
    case PixelFormat::Bits8: return PaletteLayout(bitmap);
    case PixelFormat::Bits24:
    case PixelFormat::Bits32:
    case PixelFormat::Bits48: break;
  }
  return RgbLayout(width, height);
}

// One row as the file holds it: red, green, blue for the RGB layout, else the Bitmap's bytes.
void FillRow(const Bitmap& bitmap, int y, std::vector<std::uint8_t>& row) {
  const std::uint8_t* source = bitmap.ScanLine(y);
  const int bytesPerPixel = bitmap.BitsPerPixel() / 8;
  if (bytesPerPixel < 3) {
    std::copy(source, source + row.size(), row.begin());
    return;
  }
  SwapRedBlue(source, static_cast<std::size_t>(bytesPerPixel), row.data(), row.size() / 3);
}

void Write(std::FILE* stream, const std::uint8_t* bytes, std::size_t count) {
  if (count > 0 && std::fwrite(bytes, 1, count, stream) != count)
    throw Error("Error writing the TIFF file");
}

void Write(std::FILE* stream, const std::vector<std::uint8_t>& bytes) {
  Write(stream, bytes.data(), bytes.size());
}

}  // namespace

std::uint64_t TiffFileSize(PixelFormat format, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t data = RowBytes(format, width) * height;
  switch (format) {
    case PixelFormat::Bits1: return 34 + data + DirectoryBytes(14);
    case PixelFormat::Bits4:
    case PixelFormat::Bits8: return 34 + ColorMapBytes(format) + data + DirectoryBytes(15);
    case PixelFormat::Bits24:
    case PixelFormat::Bits32:
    case PixelFormat::Bits48: break;
  }
  return 40 + data + DirectoryBytes(15);
}

void WriteTiff(std::FILE* stream, const Bitmap& picture) {
  if (picture.Empty()) return;
  // This writer's files hold bytes: a 16-bit picture is written with its samples narrowed.
  Bitmap narrowed;
  const Bitmap& bitmap =
      picture.Format() == PixelFormat::Bits48 ? In24Bits(picture, narrowed) : picture;
  // The offsets and byte counts of a larger file do not fit the 32-bit fields.
  if (TiffFileSize(bitmap.Format(), static_cast<std::uint32_t>(bitmap.Width()),
                   static_cast<std::uint32_t>(bitmap.Height())) > kMaxFileBytes)
    throw Error("The picture is too large for a TIFF file");
  const TiffLayout layout = LayoutFor(bitmap);
  Write(stream, layout.head.Bytes());
  std::vector<std::uint8_t> row(layout.rowBytes);
  for (int y = 0; y < bitmap.Height(); ++y) {
    FillRow(bitmap, y, row);
    Write(stream, row);
  }
  Write(stream, layout.tail.Bytes());
}

void SaveTiffFile(const std::string& fileName, const Bitmap& bitmap) {
  RefuseEmptyPicture(bitmap, fileName);
  AtomicFile file(fileName);
  if (!file.Stream())
    throw WriteError("Cannot create file " + fileName, fileName, file.SystemError());
  try {
    WriteTiff(file.Stream(), bitmap);
  } catch (const Error& error) {
    // A write the system refused; errno is still the failed fwrite's.
    if (std::ferror(file.Stream())) throw WriteError(error.what(), fileName, errno);
    throw;
  }
  if (!file.Commit())
    throw WriteError("Cannot write file " + fileName, fileName, file.SystemError());
}

}  // namespace brumel
