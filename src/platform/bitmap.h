// The raster image every part of the system works on: settable size and pixel format,
// rows of 4-byte-aligned scan lines with row 0 on top, a colour table for up to 8 bits. A
// colour picture is 24 bits (a byte per sample) or 48 (16-bit samples, for masters whose
// tones must not be cut to 256 steps); both keep the samples in the order blue, green, red.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/picture_memory.h"

namespace brumel {

// Bits48 holds each sample as a std::uint16_t in the machine's byte order.
enum class PixelFormat { Bits1, Bits4, Bits8, Bits24, Bits32, Bits48 };

// The sample types of the colour formats: std::uint8_t for Bits24, std::uint16_t for Bits48.
template <class Sample>
concept ColourSample = std::same_as<Sample, std::uint8_t> || std::same_as<Sample, std::uint16_t>;
template <ColourSample Sample>
inline constexpr PixelFormat kColourFormat =
    sizeof(Sample) == 1 ? PixelFormat::Bits24 : PixelFormat::Bits48;
// The largest value of a sample: 255 or 65535.
template <ColourSample Sample>
inline constexpr int kSampleMax = (1 << (8 * sizeof(Sample))) - 1;

int BitsPerPixel(PixelFormat format);

struct PaletteEntry {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
};

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, PixelFormat format = PixelFormat::Bits24);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  PixelFormat Format() const { return format_; }
  int BitsPerPixel() const { return brumel::BitsPerPixel(format_); }
  // Bytes of one scan line, a multiple of 4.
  std::size_t Stride() const { return stride_; }

  // Resizing keeps the area common to the old and the new size and fills the rest with white.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);
  // Converting to 24 bits expands palettes, drops the fourth byte of 32 bits and narrows 16-bit
  // samples to round(c / 257); converting to 48 bits widens the 24-bit colours to c x 257, so
  // that 0 and 255 stay black and white. A change to any other format keeps the size and starts
  // from white (readers set it before the pixels).
  void SetPixelFormat(PixelFormat format);

  // A new size and format whose pixels are left unset, for a reader that writes every pixel
  // itself; the bytes that pad each scan line are white, as in any bitmap. The colour table
  // goes. Takes the memory the bitmap holds when it is large enough (see Clear).
  void Allocate(int width, int height, PixelFormat format);
  // No picture any more (0 x 0), but the memory of its pixels stays for the next Allocate, so
  // that a batch reading picture after picture touches that memory's pages only once.
  void Clear();

  std::uint8_t* ScanLine(int row);
  const std::uint8_t* ScanLine(int row) const;
  // A colour scan line as samples of its format's type (see kColourFormat).
  template <ColourSample Sample>
  Sample* SampleLine(int row) {
    return reinterpret_cast<Sample*>(ScanLine(row));
  }
  template <ColourSample Sample>
  const Sample* SampleLine(int row) const {
    return reinterpret_cast<const Sample*>(ScanLine(row));
  }

  // The colour table of a palette format (at most 2^bits entries).
  const std::vector<PaletteEntry>& ColorTable() const { return palette_; }
  void SetColorTable(std::vector<PaletteEntry> palette);

  // The largest number of pixel bytes a bitmap may hold; sizes beyond raise the error type.
  static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 34;

 private:
  void Reshape(int width, int height, PixelFormat format);
  // To 48 bits from any format, through its 24-bit colours.
  void Widen();
  // The stride and byte count of a size and format, refused beyond kMaxBytes.
  static std::uint64_t CheckedBytes(int width, int height, PixelFormat format,
                                    std::uint64_t* stride);
  PaletteEntry PixelColor(const std::uint8_t* row, int x) const;

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::Bits24;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t, PictureAllocator<std::uint8_t>> pixels_;
  std::vector<PaletteEntry> palette_;
};

// The bitmap itself when it is at 24 bits, otherwise a 24-bit copy of it made in scratch: what
// the 8-bit writers read, whatever the format they are handed.
const Bitmap& In24Bits(const Bitmap& bitmap, Bitmap& scratch);

// A 16-bit sample narrowed to 8 bits, round(c / 257), and a byte widened to 16, c x 257.
constexpr std::uint8_t NarrowSample(std::uint16_t sample) {
  return static_cast<std::uint8_t>((sample + 128u) / 257u);
}
constexpr std::uint16_t WidenSample(std::uint8_t sample) {
  return static_cast<std::uint16_t>(sample * 257u);
}

// Bytes of a 4-byte-aligned scan line; computed in 64 bits.
std::uint64_t StrideFor(std::uint64_t width, int bitsPerPixel);

// The largest picture a file reader accepts: the bytes of its pixels at 24 bits (3 x width x
// height). Every reader checks the size its header declares against it before allocating
// anything large, and refuses a larger picture with the reader's own error text. Fuzz builds
// lower it (BRUMEL_MAX_PICTURE_BYTES), so that a run explores many inputs instead of decoding
// a few pictures of a gigabyte.
#ifdef BRUMEL_MAX_PICTURE_BYTES
inline constexpr std::uint64_t kMaxPictureBytes = BRUMEL_MAX_PICTURE_BYTES;
#else
inline constexpr std::uint64_t kMaxPictureBytes = std::uint64_t{1} << 30;
#endif

// True when a picture of the declared width and height (as read from an untrusted header)
// fits kMaxPictureBytes at 24 bits; computed without overflow. Negative sizes never fit; a
// zero width or height always does. A picture that fits has a width and height that fit an int.
constexpr bool PictureFits(std::int64_t width, std::int64_t height) {
  if (width < 0 || height < 0) return false;
  if (width == 0 || height == 0) return true;
  if (static_cast<std::uint64_t>(width) > kMaxPictureBytes / 3) return false;
  return static_cast<std::uint64_t>(height) <=
         kMaxPictureBytes / (3 * static_cast<std::uint64_t>(width));
}

// A reader's reason for refusing a file that is too small to hold the picture its header
// declares: "the file holds 54 bytes, too few for a picture of 18900 x 18900".
std::string TooFewBytesText(std::uint64_t fileBytes, std::int64_t width, std::int64_t height);

// Every writer refuses a picture without pixels before it creates anything: a file of width or
// height 0 is no picture for the person who opens it.
void RefuseEmptyPicture(const Bitmap& bitmap, const std::string& fileName);

}  // namespace brumel
