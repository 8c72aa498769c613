#include "formats/bmp/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/byte_order.h"
#include "platform/error.h"
#include "platform/file_access.h"

namespace brumel {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// A valid file needs at most about 2 bytes a pixel of kMaxPictureBytes / 3 pixels (RLE at its
// worst), 4/3 of kMaxPictureBytes uncompressed at 32 bits.
constexpr std::uint64_t kMaxFileBytes = 2 * kMaxPictureBytes;

constexpr char kInvalidText[] = "Bitmap image is not valid";

[[noreturn]] void Invalid() {
  throw Error(kInvalidText);
}

// Little-endian reads, each checked against the end of the data.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

  std::uint64_t Size() const { return size_; }
  bool Holds(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  const std::uint8_t* At(std::uint64_t offset, std::uint64_t count) const {
    if (!Holds(offset, count)) Invalid();
    return data_ + offset;
  }
  std::uint8_t U8(std::uint64_t offset) const { return *At(offset, 1); }
  std::uint16_t U16(std::uint64_t offset) const { return Get16(At(offset, 2), true); }
  std::uint32_t U32(std::uint64_t offset) const { return Get32(At(offset, 4), true); }
  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }

 private:
  const std::uint8_t* data_;
  std::uint64_t size_;
};

// One colour channel of a 16- or 32-bit pixel: a run of bits, scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  static Channel FromMask(std::uint32_t mask, int bitCount) {
    Channel channel;
    if (mask == 0) return channel;
    if (bitCount == 16 && mask > 0xFFFFu) Invalid();
    channel.mask = mask;
    channel.shift = std::countr_zero(mask);
    const std::uint32_t run = mask >> channel.shift;
    if ((run & (run + 1)) != 0) Invalid();  // not one run of bits
    channel.bits = std::popcount(run);
    return channel;
  }

  std::uint8_t Of(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
    const std::uint32_t top = (1u << bits) - 1;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
  }
};

struct Header {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  std::uint64_t paletteOffset = 0;
  int paletteEntrySize = 4;
  std::uint64_t pixelOffset = 0;
};

Header ReadHeader(const Bytes& bytes) {
  Header header;
  if (!bytes.Holds(0, kFileHeaderSize + 4) || bytes.U8(0) != 'B' || bytes.U8(1) != 'M') Invalid();
  header.pixelOffset = bytes.U32(10);
  header.headerSize = bytes.U32(14);
  const std::uint32_t size = header.headerSize;
  const bool core = size == kCoreHeaderSize;
  if (!core && size != kInfoHeaderSize && size != 52 && size != 56 && size != 108 && size != 124)
    Invalid();
  if (!bytes.Holds(kFileHeaderSize, size)) Invalid();
  int planes = 0;
  if (core) {
    header.width = bytes.U16(18);
    header.height = bytes.U16(20);
    planes = bytes.U16(22);
    header.bitCount = bytes.U16(24);
    header.paletteEntrySize = 3;
  } else {
    header.width = bytes.I32(18);
    header.height = bytes.I32(22);
    planes = bytes.U16(26);
    header.bitCount = bytes.U16(28);
    header.compression = bytes.U32(30);
    header.colorsUsed = bytes.U32(46);
  }
  if (planes != 1) Invalid();
  if (header.width < 0) Invalid();
  if (header.height < 0) {
    header.topDown = true;
    header.height = -header.height;
  }
  const int bits = header.bitCount;
  if (core) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) Invalid();
  } else if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    Invalid();
  }

  header.paletteOffset = kFileHeaderSize + size;
  switch (header.compression) {
    case kBiRgb:
      if (bits == 16) {
        header.masks[0] = 0x7C00;
        header.masks[1] = 0x03E0;
        header.masks[2] = 0x001F;
      } else if (bits == 32) {
        header.masks[0] = 0xFF0000;
        header.masks[1] = 0x00FF00;
        header.masks[2] = 0x0000FF;
      }
      break;
    case kBiRle8:
      if (bits != 8 || header.topDown) Invalid();
      break;
    case kBiRle4:
      if (bits != 4 || header.topDown) Invalid();
      break;
    case kBiBitfields:
    case kBiAlphaBitfields: {
      if (bits != 16 && bits != 32) Invalid();
      // Inside the header from the V2 header on; after a BITMAPINFOHEADER.
      const std::uint64_t at = kFileHeaderSize + kInfoHeaderSize;
      for (int i = 0; i < 3; ++i) header.masks[i] = bytes.U32(at + 4 * i);
      if (size == kInfoHeaderSize)
        header.paletteOffset += header.compression == kBiBitfields ? 12 : 16;
      break;
    }
    default: Invalid();
  }
  if (header.pixelOffset < header.paletteOffset || header.pixelOffset > bytes.Size()) Invalid();
  if (!PictureFits(header.width, header.height)) Invalid();
  return header;
}

// The least number of pixel bytes the file needs for the picture its header declares: all of
// them uncompressed; for RLE, two bytes for every run of at most 255 pixels (a file that skips
// most of its picture with deltas is refused with the hostile ones).
std::uint64_t LeastPixelBytes(const Header& header) {
  const std::uint64_t width = static_cast<std::uint64_t>(header.width);
  const std::uint64_t rows = static_cast<std::uint64_t>(header.height);
  if (header.compression == kBiRle8 || header.compression == kBiRle4)
    return (width * rows + 254) / 255 * 2;
  return StrideFor(width, header.bitCount) * rows;
}

// Checked before the picture is allocated, so that a small file cannot make a large allocation.
void CheckFileHoldsPicture(const Bytes& bytes, const Header& header) {
  if (bytes.Holds(header.pixelOffset, LeastPixelBytes(header))) return;
  throw Error(kInvalidText, std::string(kInvalidText) + ": " +
                                TooFewBytesText(bytes.Size(), header.width, header.height));
}

std::vector<PaletteEntry> ReadPalette(const Bytes& bytes, const Header& header) {
  const std::uint64_t most = std::uint64_t{1} << header.bitCount;
  std::uint64_t count =
      header.colorsUsed == 0 ? most : std::min<std::uint64_t>(header.colorsUsed, most);
  count = std::min(count, (header.pixelOffset - header.paletteOffset) / header.paletteEntrySize);
  if (count == 0) Invalid();
  std::vector<PaletteEntry> palette(static_cast<std::size_t>(count));
  const std::uint8_t* entry = bytes.At(header.paletteOffset, count * header.paletteEntrySize);
  for (PaletteEntry& colour : palette) {
    colour = {entry[0], entry[1], entry[2]};
    entry += header.paletteEntrySize;
  }
  return palette;
}

PixelFormat FormatOf(const Header& header) {
  switch (header.bitCount) {
    case 1: return PixelFormat::Bits1;
    case 4: return PixelFormat::Bits4;
    case 8: return PixelFormat::Bits8;
    case 32: return header.compression == kBiRgb ? PixelFormat::Bits32 : PixelFormat::Bits24;
    default: return PixelFormat::Bits24;
  }
}

int PictureRow(const Header& header, std::int64_t fileRow) {
  return static_cast<int>(header.topDown ? fileRow : header.height - 1 - fileRow);
}

// Every colour index of a palette row below the palette's size.
void CheckIndices(const std::uint8_t* row, int width, int bits, std::size_t colours) {
  if (colours >= (std::size_t{1} << bits)) return;
  for (int x = 0; x < width; ++x) {
    unsigned index = 0;
    switch (bits) {
      case 1: index = (row[x / 8] >> (7 - x % 8)) & 1u; break;
      case 4: index = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0Fu; break;
      default: index = row[x]; break;
    }
    if (index >= colours) Invalid();
  }
}

void DecodeUncompressed(const Bytes& bytes, const Header& header, Bitmap& picture) {
  const int width = static_cast<int>(header.width);
  const std::uint64_t stride = StrideFor(static_cast<std::uint64_t>(width), header.bitCount);
  const std::uint64_t rows = static_cast<std::uint64_t>(header.height);
  if (stride == 0) return;  // an empty picture
  const std::size_t colours = picture.ColorTable().size();
  const int bits = header.bitCount;
  const Channel red = Channel::FromMask(header.masks[0], bits);
  const Channel green = Channel::FromMask(header.masks[1], bits);
  const Channel blue = Channel::FromMask(header.masks[2], bits);
  const bool copies = bits <= 8 || bits == 24 || picture.Format() == PixelFormat::Bits32;
  const std::size_t rowBytes = static_cast<std::size_t>(StrideFor(width, picture.BitsPerPixel()));
  for (std::uint64_t r = 0; r < rows; ++r) {
    const std::uint8_t* source = bytes.At(header.pixelOffset + r * stride, stride);
    std::uint8_t* target = picture.ScanLine(PictureRow(header, static_cast<std::int64_t>(r)));
    if (copies) {
      std::memcpy(target, source,
                  std::min<std::size_t>(rowBytes, static_cast<std::size_t>(stride)));
      if (bits <= 8) CheckIndices(source, width, bits, colours);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = bits == 16
                                      ? Get16(source + 2 * static_cast<std::size_t>(x), true)
                                      : Get32(source + 4 * static_cast<std::size_t>(x), true);
      std::uint8_t* out = target + 3 * static_cast<std::size_t>(x);
      out[0] = blue.Of(pixel);
      out[1] = green.Of(pixel);
      out[2] = red.Of(pixel);
    }
  }
}

void SetIndex(std::uint8_t* row, std::int64_t x, unsigned index, int bits) {
  if (bits == 8) {
    row[x] = static_cast<std::uint8_t>(index);
  } else if (x % 2 == 0) {
    row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | index << 4);
  } else {
    row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | index);
  }
}

// RLE8 and RLE4: runs, absolute runs, end of line, delta and end of bitmap, rows bottom-up.
void DecodeRle(const Bytes& bytes, const Header& header, Bitmap& picture) {
  const int bits = header.bitCount;
  const std::int64_t width = header.width;
  const std::int64_t height = header.height;
  const std::size_t colours = picture.ColorTable().size();
  if (picture.Stride() > 0)
    for (int y = 0; y < picture.Height(); ++y)
      std::memset(picture.ScanLine(y), 0, picture.Stride());
  auto checked = [colours](unsigned index) {
    if (index >= colours) Invalid();
    return index;
  };
  // The row of the next pixels; fails above the top row. Pixels past the right edge are
  // dropped: ImageMagick, for one, fills an odd width up to an even one with its last run.
  auto rowAt = [&](std::int64_t y) {
    if (y >= height) Invalid();
    return picture.ScanLine(PictureRow(header, y));
  };
  auto put = [&](std::uint8_t* row, std::int64_t x, unsigned index) {
    checked(index);
    if (x < width) SetIndex(row, x, index, bits);
  };
  std::uint64_t at = header.pixelOffset;
  std::int64_t x = 0;
  std::int64_t y = 0;
  for (;;) {
    const std::uint8_t first = bytes.U8(at);
    const std::uint8_t second = bytes.U8(at + 1);
    at += 2;
    if (first > 0) {  // a run of first pixels, of one colour (RLE4: two alternating)
      std::uint8_t* row = rowAt(y);
      const unsigned high = bits == 8 ? second : second >> 4u;
      const unsigned low = bits == 8 ? second : second & 0x0Fu;
      for (int i = 0; i < first; ++i) put(row, x++, i % 2 == 0 ? high : low);
    } else if (second == 0) {  // end of line
      x = 0;
      ++y;
    } else if (second == 1) {  // end of bitmap
      return;
    } else if (second == 2) {  // delta: right and up
      x += bytes.U8(at);
      y += bytes.U8(at + 1);
      at += 2;
      if (y > height) Invalid();
    } else {  // an absolute run of second pixels, padded to a 16-bit boundary
      const std::uint64_t count = second;
      const std::uint64_t used = bits == 8 ? count : (count + 1) / 2;
      const std::uint8_t* source = bytes.At(at, used + used % 2);
      at += used + used % 2;
      std::uint8_t* row = rowAt(y);
      for (std::uint64_t i = 0; i < count; ++i) {
        const unsigned index = bits == 8    ? source[i]
                               : i % 2 == 0 ? source[i / 2] >> 4u
                                            : source[i / 2] & 0x0Fu;
        put(row, x++, index);
      }
    }
  }
}

}  // namespace

void DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& target) {
  const Bytes bytes(data, size);
  const Header header = ReadHeader(bytes);
  CheckFileHoldsPicture(bytes, header);
  Bitmap picture(static_cast<int>(header.width), static_cast<int>(header.height), FormatOf(header));
  if (header.bitCount <= 8) picture.SetColorTable(ReadPalette(bytes, header));
  if (header.compression == kBiRle8 || header.compression == kBiRle4)
    DecodeRle(bytes, header, picture);
  else
    DecodeUncompressed(bytes, header, picture);
  target = std::move(picture);
}

void LoadBmpFile(const std::string& fileName, Bitmap& target) {
  std::vector<std::uint8_t> bytes;
  switch (ReadWholeFile(fileName, kMaxFileBytes, bytes, "BM")) {
    case ReadFileResult::Read: break;
    case ReadFileResult::CannotOpen: throw Error("Cannot open file " + fileName);
    case ReadFileResult::TooLarge:
    case ReadFileResult::WrongSignature: Invalid();
  }
  DecodeBmp(bytes.data(), bytes.size(), target);
}

namespace {

constexpr char kStreamWriteError[] = "Stream write error";

// A size field, or 0 when the size doesn't fit in one (allowed for the image size of BI_RGB).
std::uint32_t SizeField(std::uint64_t size) {
  return size > std::numeric_limits<std::uint32_t>::max() ? 0 : static_cast<std::uint32_t>(size);
}

}  // namespace

void SaveBmpFile(const std::string& fileName, const Bitmap& bitmap) {
  RefuseEmptyPicture(bitmap, fileName);
  Bitmap converted;
  const Bitmap* source = &In24Bits(bitmap, converted);
  const int width = source->Width();
  const int height = source->Height();
  const std::uint64_t stride = StrideFor(static_cast<std::uint64_t>(width), 24);
  const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);
  constexpr std::uint32_t kHeaderBytes = kFileHeaderSize + kInfoHeaderSize;
  constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots an inch

  std::uint8_t header[kHeaderBytes] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, SizeField(kHeaderBytes + imageBytes), true);
  Put32(header + 10, kHeaderBytes, true);
  Put32(header + 14, kInfoHeaderSize, true);
  Put32(header + 18, static_cast<std::uint32_t>(width), true);
  Put32(header + 22, static_cast<std::uint32_t>(height), true);
  Put16(header + 26, 1, true);
  Put16(header + 28, 24, true);
  Put32(header + 30, kBiRgb, true);
  Put32(header + 34, SizeField(imageBytes), true);
  Put32(header + 38, kPixelsPerMetre, true);
  Put32(header + 42, kPixelsPerMetre, true);

  AtomicFile file(fileName);
  if (file.Stream() == nullptr)
    throw WriteError("Cannot create file " + fileName, fileName, file.SystemError());
  std::FILE* stream = file.Stream();
  if (std::fwrite(header, 1, sizeof header, stream) != sizeof header)
    throw WriteError(kStreamWriteError, fileName, errno);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
  for (int y = height - 1; y >= 0; --y) {
    std::memcpy(row.data(), source->ScanLine(y), 3 * static_cast<std::size_t>(width));
    if (std::fwrite(row.data(), 1, row.size(), stream) != row.size())
      throw WriteError(kStreamWriteError, fileName, errno);
  }
  if (!file.Commit()) throw WriteError(kStreamWriteError, fileName, file.SystemError());
}

}  // namespace brumel
