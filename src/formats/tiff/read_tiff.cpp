#include "formats/tiff/read_tiff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "formats/tiff/read_tiff_tags.h"
#include "platform/byte_order.h"

namespace brumel {

namespace {

constexpr char kCompressedMessage[] =
    "Cant read compressed RGB Full Color Image\r\r"
    "feel free to implement this type of image\r"
    "and send it back to brumel@example.org";

constexpr std::uint32_t kPhotometricRgb = 2;
constexpr std::uint32_t kCompressionNone = 1;
constexpr std::uint32_t kPlanarChunky = 1;
constexpr std::uint32_t kPlanarSeparate = 2;

// How the samples of an RGB directory lie in its strips.
struct SampleLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bytesPerSample = 1;   // 2 for 16-bit samples, of which the high byte is kept
  int samplesPerPixel = 3;  // a fourth sample is dropped
  bool planar = false;      // one plane of samples after the other
  bool littleEndian = true;

  std::uint64_t Pixels() const { return std::uint64_t{width} * height; }
  // The bytes of strip data the picture needs; planar data needs the first three planes only.
  std::uint64_t NeededBytes() const;
};

bool Refuse(MessagePort& messages, const std::string& text) {
  messages.ShowInformation(text);
  return false;
}

// The first three planes are each one run of strips, StripCount / SamplesPerPixel long. The
// bytes of target filled from the file before the first strip that could not be read whole.
std::size_t ReadStrips(ByteSource& file, const TGraphicTiff& directory, std::size_t first,
                       std::size_t count, std::span<std::uint8_t> target) {
  std::size_t filled = 0;
  for (std::size_t i = first; i < first + count && filled < target.size(); ++i) {
    const StripInfo& strip = *directory.Strip(i);
    const std::size_t take = std::min<std::size_t>(strip.ByteCount, target.size() - filled);
    const std::size_t got = file.ReadAt(strip.Offset, target.subspan(filled, take));
    filled += got;
    if (got != take) break;
  }
  return filled;
}

std::optional<SampleLayout> ReadLayout(ByteSource& file, const TGraphicTiff& directory,
                                       const TiffEntry& width, const TiffEntry& height,
                                       const TiffEntry& bitsPerSample) {
  SampleLayout layout;
  layout.width = width.Value;
  layout.height = height.Value;
  layout.littleEndian = directory.Owner()->LittleEndian();
  if (layout.Pixels() == 0 || !PictureFits(layout.width, layout.height)) return std::nullopt;
  const TiffEntry* samples = directory.FindEntry(kTagSamplesPerPixel);
  const std::uint32_t samplesPerPixel = samples ? samples->Value : 3;
  if (samplesPerPixel != 3 && samplesPerPixel != 4) return std::nullopt;
  layout.samplesPerPixel = static_cast<int>(samplesPerPixel);
  const TiffEntry* planar = directory.FindEntry(kTagPlanarConfiguration);
  const std::uint32_t planarConfiguration = planar ? planar->Value : kPlanarChunky;
  if (planarConfiguration != kPlanarChunky && planarConfiguration != kPlanarSeparate)
    return std::nullopt;
  layout.planar = planarConfiguration == kPlanarSeparate;
  const std::vector<std::uint32_t> bits =
      ReadEntryValues(file, bitsPerSample, layout.littleEndian, samplesPerPixel);
  if (bits.empty() || std::any_of(bits.begin(), bits.end(), [&](auto b) { return b != bits[0]; }))
    return std::nullopt;
  if (bits[0] != 8 && bits[0] != 16) return std::nullopt;
  layout.bytesPerSample = static_cast<int>(bits[0] / 8);
  return layout;
}

// Three 8-bit samples a pixel, red, green, blue.
std::vector<std::uint8_t> GatherRgb(std::vector<std::uint8_t> data, const SampleLayout& layout) {
  if (!layout.planar && layout.samplesPerPixel == 3 && layout.bytesPerSample == 1) return data;
  const std::uint64_t pixels = layout.Pixels();
  const std::uint64_t step = static_cast<std::uint64_t>(layout.bytesPerSample);
  const std::uint64_t high = layout.bytesPerSample == 2 && layout.littleEndian ? 1 : 0;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(3 * pixels));
  for (std::uint64_t i = 0; i < pixels; ++i) {
    for (std::uint64_t s = 0; s < 3; ++s) {
      const std::uint64_t sample = layout.planar ? s * pixels + i : i * layout.samplesPerPixel + s;
      rgb[3 * i + s] = data[sample * step + high];
    }
  }
  return rgb;
}

Bitmap ToBitmap(const std::vector<std::uint8_t>& rows, std::uint32_t width, std::uint32_t height) {
  Bitmap bitmap;  // every pixel is copied in below
  bitmap.Allocate(static_cast<int>(width), static_cast<int>(height), PixelFormat::Bits24);
  const std::size_t stride = bitmap.Stride();
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memcpy(bitmap.ScanLine(y), rows.data() + y * stride, 3 * std::size_t{width});
  return bitmap;
}

std::uint64_t SampleLayout::NeededBytes() const {
  const std::uint64_t samples = planar ? 3 : static_cast<std::uint64_t>(samplesPerPixel);
  return Pixels() * samples * static_cast<std::uint64_t>(bytesPerSample);
}

// A chunky picture whose strips end early: the rows after the last whole one made grey, when
// messages take a picture read in part.
bool TakeRowsRead(std::vector<std::uint8_t>& data, std::size_t filled, const SampleLayout& layout,
                  MessagePort& messages) {
  const std::size_t rowBytes = data.size() / layout.height;
  const std::size_t rows = filled / rowBytes;
  if (rows == 0 ||
      !messages.NoteDamage("the file's data end at row " + std::to_string(rows) + " of " +
                           std::to_string(layout.height) + "; the rest is grey"))
    return false;
  std::fill(data.begin() + static_cast<std::ptrdiff_t>(rows * rowBytes), data.end(),
            std::uint8_t{128});
  return true;
}

// The first layout.NeededBytes() bytes of the strips, planes taken from their own strips; none
// when the strips hold fewer bytes or one of them cannot be read as far as it is needed, but for
// the rows of a chunky picture that messages take as damaged.
std::optional<std::vector<std::uint8_t>> ReadStripData(ByteSource& file,
                                                       const TGraphicTiff& directory,
                                                       const SampleLayout& layout,
                                                       MessagePort& messages) {
  const std::uint64_t needed = layout.NeededBytes();
  // Strips cannot hold more than the file, so a larger claim is refused before allocating.
  if (needed > file.Size()) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(needed));
  if (!layout.planar) {
    const std::size_t filled = ReadStrips(file, directory, 0, directory.StripCount(), data);
    if (filled < data.size() && !TakeRowsRead(data, filled, layout, messages)) return std::nullopt;
    return data;
  }
  const std::size_t stripsPerPlane = directory.StripCount() / layout.samplesPerPixel;
  const std::size_t planeBytes = data.size() / 3;
  for (std::size_t plane = 0; plane < 3; ++plane) {
    const std::span<std::uint8_t> target(data.data() + plane * planeBytes, planeBytes);
    if (ReadStrips(file, directory, plane * stripsPerPlane, stripsPerPlane, target) != planeBytes)
      return std::nullopt;
  }
  return data;
}

// Widens rows of 3 x width bytes, one after the other, to the 4-byte-aligned scan lines of a
// 24-bit Bitmap, replacing the buffer when they differ.
void PadRows(std::vector<std::uint8_t>& buffer, std::uint32_t width, std::uint32_t height) {
  const std::size_t rowLength = 3 * std::size_t{width};
  const std::size_t padded = static_cast<std::size_t>(StrideFor(width, 24));
  if (padded == rowLength) return;
  std::vector<std::uint8_t> widened(padded * height);
  for (std::size_t y = 0; y < height; ++y)
    std::memcpy(widened.data() + y * padded, buffer.data() + y * rowLength, rowLength);
  buffer = std::move(widened);
}

// Decodes one directory of file into bitmap; true when it did, else it showed why.
bool DecodeRgbDirectory(ByteSource& file, const TGraphicTiff& directory, Bitmap& bitmap,
                        MessagePort& messages) {
  const TiffEntry* width = directory.FindEntry(kTagImageWidth);
  if (!width) return Refuse(messages, "Error reading tag Image Width");
  const TiffEntry* height = directory.FindEntry(kTagImageLength);
  if (!height) return Refuse(messages, "Error reading tag Image Height");
  const TiffEntry* compression = directory.FindEntry(kTagCompression);
  if (!compression) return Refuse(messages, "Error reading tag Compression");
  if (compression->Value != kCompressionNone) return Refuse(messages, kCompressedMessage);
  const TiffEntry* bits = directory.FindEntry(kTagBitsPerSample);
  if (!bits) return Refuse(messages, "Error reading tag Bits Per Sample");
  try {
    const std::optional<SampleLayout> layout = ReadLayout(file, directory, *width, *height, *bits);
    std::optional<std::vector<std::uint8_t>> data =
        layout ? ReadStripData(file, directory, *layout, messages) : std::nullopt;
    if (!data) return Refuse(messages, kTiffImageDataError);
    std::vector<std::uint8_t> pixels = GatherRgb(std::move(*data), *layout);
    SwapRedBlue(pixels.data(), 3, pixels.data(), pixels.size() / 3);
    PadRows(pixels, layout->width, layout->height);
    bitmap = ToBitmap(pixels, layout->width, layout->height);
  } catch (const std::bad_alloc&) {
    return Refuse(messages, kTiffImageDataError);
  }
  return true;
}

}  // namespace

bool LoadTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages) {
  TFileTiff tiff;
  tiff.ReadFrom(name, source);
  if (!tiff.Valid()) return Refuse(messages, "<" + name + "> is not a valid TIFF file");
  bool filled = false;
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) {
    const TGraphicTiff& directory = *tiff.Directory(i);
    const TiffEntry* photometric = directory.FindEntry(kTagPhotometric);
    if (!photometric) {
      messages.ShowInformation("Error reading tag Photometric interpretation");
      return filled;
    }
    if (photometric->Value == kPhotometricRgb)
      filled = DecodeRgbDirectory(source, directory, bitmap, messages) || filled;
  }
  return filled;
}

bool LoadTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages) {
  FileByteSource file(fileName);
  return LoadTiff(fileName, file, bitmap, messages);
}

}  // namespace brumel
