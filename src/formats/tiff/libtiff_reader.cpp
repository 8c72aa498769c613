#include "formats/tiff/libtiff_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "formats/tiff/libtiff_source.h"
#include "formats/tiff/read_tiff.h"
#include "platform/error.h"

namespace brumel {

namespace {

// The most bytes of picture a byte of compressed data is taken to give: beyond Deflate's and
// LZW's limits and those of real JPEG and fax files, so that a small file cannot declare a
// large picture and have it allocated.
constexpr std::uint64_t kMaxExpansion = 1 << 14;

struct Layout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits = 1;
  std::uint16_t samples = 1;
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
  bool tiled = false;
  std::uint32_t tileWidth = 0;
  std::uint32_t bandRows = 0;  // rows of a strip or of a row of tiles

  bool Separate() const { return planar == PLANARCONFIG_SEPARATE && samples > 1; }
  bool Grey() const { return photometric == PHOTOMETRIC_MINISBLACK; }
  // Samples this reader takes from the decoded data itself; the rest go through RGBA.
  bool Direct() const {
    const bool rgb = photometric == PHOTOMETRIC_RGB && samples >= 3;
    return (rgb || (Grey() && samples >= 1)) && (bits == 8 || bits == 16) &&
           sampleFormat == SAMPLEFORMAT_UINT;
  }
  std::size_t PlaneSamples() const { return Separate() ? 1 : samples; }
  std::size_t BandRowBytes() const { return std::size_t{width} * PlaneSamples() * bits / 8; }
};

class Reader {
 public:
  Reader(const std::string& name, ByteSource& source, MessagePort& messages)
      : name_(name), source_(source), handle_(name, source), messages_(messages) {}

  // Fills picture, which stays where it is until progress hears of the end.
  void Read(Bitmap& picture, RowProgress* progress, SampleDepth depth);

 private:
  Error Refusal(const std::string& reason) const {
    return Error(kTiffImageDataError,
                 std::string(kTiffImageDataError) + " of " + name_ + ": " + reason);
  }
  Error LibraryRefusal(const std::string& fallback) const {
    return Refusal(handle_.Error().empty() ? fallback : handle_.Error());
  }
  Layout ReadLayout() const;
  void CheckSize(const Layout& layout) const;
  // Decodes the rows of band into picture; false when libtiff could not.
  bool DirectBand(const Layout& layout, std::uint32_t band, Bitmap& picture);
  bool ReadPlaneBand(const Layout& layout, std::uint32_t band, std::uint16_t plane,
                     std::vector<std::uint8_t>& rows);
  bool RgbaBand(TIFFRGBAImage& image, const Layout& layout, std::uint32_t band, Bitmap& picture);
  void Damaged(std::uint32_t row, const Layout& layout, Bitmap& picture);

  const std::string& name_;
  ByteSource& source_;
  LibtiffHandle handle_;
  MessagePort& messages_;
  std::vector<std::vector<std::uint8_t>> planes_;
  std::vector<std::uint8_t> tile_;
  std::vector<std::uint32_t> raster_;
};

template <typename T>
T Field(TIFF* tiff, ttag_t tag, T fallback) {
  T value = fallback;
  return TIFFGetFieldDefaulted(tiff, tag, &value) == 1 ? value : fallback;
}

Layout Reader::ReadLayout() const {
  TIFF* tiff = handle_.Tiff();
  Layout layout;
  layout.width = Field<std::uint32_t>(tiff, TIFFTAG_IMAGEWIDTH, 0);
  layout.height = Field<std::uint32_t>(tiff, TIFFTAG_IMAGELENGTH, 0);
  layout.bits = Field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE, 1);
  layout.samples = Field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  layout.photometric = Field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  layout.planar = Field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  layout.sampleFormat = Field<std::uint16_t>(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
  layout.tiled = TIFFIsTiled(tiff) != 0;
  if (layout.tiled) {
    layout.tileWidth = Field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
    layout.bandRows = Field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
  } else {
    const std::uint32_t rows = Field<std::uint32_t>(tiff, TIFFTAG_ROWSPERSTRIP, layout.height);
    layout.bandRows = std::clamp<std::uint32_t>(rows, 1, std::max(layout.height, 1u));
  }
  return layout;
}

void Reader::CheckSize(const Layout& layout) const {
  if (layout.width == 0 || layout.height == 0) throw Refusal("the picture has no pixels");
  if (!PictureFits(layout.width, layout.height))
    throw Refusal("a picture of " + std::to_string(layout.width) + " x " +
                  std::to_string(layout.height) + " is larger than Brumel reads");
  const std::uint64_t bytes = 3 * std::uint64_t{layout.width} * layout.height;
  if (bytes / kMaxExpansion > source_.Size())
    throw Refusal(TooFewBytesText(source_.Size(), layout.width, layout.height));
  // Tiles are whole multiples of 16 pixels, and a tile may be larger than the picture, but not
  // without bound.
  const std::uint64_t tilePixels = std::uint64_t{layout.tileWidth} * layout.bandRows;
  if (layout.tiled && (tilePixels == 0 || layout.tileWidth % 16 != 0 || layout.bandRows % 16 != 0 ||
                       tilePixels > std::max<std::uint64_t>(4 * bytes, 1 << 20)))
    throw Refusal("its tiles are not of a size TIFF allows");
  // Strip and tile buffers hold at most one band of every sample of the picture.
  if (std::uint64_t{layout.samples} * layout.bits > 64)
    throw Refusal("it has more samples a pixel than Brumel reads");
}

bool Reader::ReadPlaneBand(const Layout& layout, std::uint32_t band, std::uint16_t plane,
                           std::vector<std::uint8_t>& rows) {
  TIFF* tiff = handle_.Tiff();
  const std::uint32_t top = band * layout.bandRows;
  const std::size_t rowBytes = layout.BandRowBytes();
  rows.resize(rowBytes * layout.bandRows);
  if (!layout.tiled) {
    const std::uint32_t strip = TIFFComputeStrip(tiff, top, plane);
    return TIFFReadEncodedStrip(tiff, strip, rows.data(), static_cast<tmsize_t>(rows.size())) >= 0;
  }
  tile_.resize(static_cast<std::size_t>(TIFFTileSize(tiff)));
  const std::size_t pixelBytes = layout.PlaneSamples() * layout.bits / 8;
  const std::size_t tileRowBytes = layout.tileWidth * pixelBytes;
  if (tile_.size() < tileRowBytes * layout.bandRows) return false;
  for (std::uint32_t x = 0; x < layout.width; x += layout.tileWidth) {
    if (TIFFReadTile(tiff, tile_.data(), x, top, 0, plane) < 0) return false;
    const std::size_t take = std::min<std::size_t>(layout.tileWidth, layout.width - x) * pixelBytes;
    for (std::uint32_t y = 0; y < layout.bandRows; ++y)
      std::memcpy(rows.data() + y * rowBytes + x * pixelBytes, tile_.data() + y * tileRowBytes,
                  take);
  }
  return true;
}

// A decoded sample in a scan line of Out's samples: kept, or narrowed from 16 bits to 8 (an
// 8-bit file goes into a 24-bit picture at every depth, and is widened afterwards).
template <typename Out, typename Sample>
inline Out Stored(Sample sample) {
  static_assert(sizeof(Out) <= sizeof(Sample));
  if constexpr (sizeof(Out) < sizeof(Sample))
    return static_cast<Out>((sample * 255u + 32767u) / 65535u);
  else
    return sample;
}

// Row y of a band into a 24- or 48-bit scan line (blue, green, red): channel c of pixel x is
// sample c of the pixel, or of plane c, or the one grey sample.
template <typename Sample, typename Out>
void ConvertRow(const Layout& layout, const std::vector<std::vector<std::uint8_t>>& planes,
                std::uint32_t y, Out* line) {
  const std::size_t rowSamples = layout.BandRowBytes() / sizeof(Sample);
  const std::size_t step = layout.PlaneSamples();
  for (int c = 0; c < 3; ++c) {
    const int channel = layout.Grey() ? 0 : c;
    const std::size_t plane = layout.Separate() ? static_cast<std::size_t>(channel) : 0;
    const std::size_t first = layout.Separate() ? 0 : static_cast<std::size_t>(channel);
    const auto* row = reinterpret_cast<const Sample*>(planes[plane].data()) + y * rowSamples;
    for (std::uint32_t x = 0; x < layout.width; ++x)
      line[3 * x + 2 - c] = Stored<Out>(row[first + x * step]);
  }
}

bool Reader::DirectBand(const Layout& layout, std::uint32_t band, Bitmap& picture) {
  const std::size_t planeCount = layout.Separate() ? (layout.Grey() ? 1 : 3) : 1;
  planes_.resize(planeCount);
  for (std::size_t p = 0; p < planeCount; ++p)
    if (!ReadPlaneBand(layout, band, static_cast<std::uint16_t>(p), planes_[p])) return false;
  const std::uint32_t top = band * layout.bandRows;
  const std::uint32_t rows = std::min(layout.bandRows, layout.height - top);
  for (std::uint32_t y = 0; y < rows; ++y) {
    const int row = static_cast<int>(top + y);
    if (picture.Format() == PixelFormat::Bits48)
      ConvertRow<std::uint16_t>(layout, planes_, y, picture.SampleLine<std::uint16_t>(row));
    else if (layout.bits == 16)
      ConvertRow<std::uint16_t>(layout, planes_, y, picture.ScanLine(row));
    else
      ConvertRow<std::uint8_t>(layout, planes_, y, picture.ScanLine(row));
  }
  return true;
}

bool Reader::RgbaBand(TIFFRGBAImage& image, const Layout& layout, std::uint32_t band,
                      Bitmap& picture) {
  const std::uint32_t top = band * layout.bandRows;
  const std::uint32_t rows = std::min(layout.bandRows, layout.height - top);
  raster_.resize(std::size_t{layout.width} * rows);
  image.row_offset = static_cast<int>(top);
  image.col_offset = 0;
  if (TIFFRGBAImageGet(&image, raster_.data(), layout.width, rows) != 1) return false;
  for (std::uint32_t y = 0; y < rows; ++y) {
    std::uint8_t* line = picture.ScanLine(static_cast<int>(top + y));
    const std::uint32_t* pixels = raster_.data() + std::size_t{y} * layout.width;
    for (std::uint32_t x = 0; x < layout.width; ++x) {
      line[3 * x] = static_cast<std::uint8_t>(TIFFGetB(pixels[x]));
      line[3 * x + 1] = static_cast<std::uint8_t>(TIFFGetG(pixels[x]));
      line[3 * x + 2] = static_cast<std::uint8_t>(TIFFGetR(pixels[x]));
    }
  }
  return true;
}

void Reader::Damaged(std::uint32_t row, const Layout& layout, Bitmap& picture) {
  const std::string why = handle_.Error().empty() ? "the data are damaged" : handle_.Error();
  if (row == 0) throw Refusal(why);
  // Bytes of 128 are grey at 24 bits and at 48 (128 x 257).
  const std::size_t lineBytes = picture.BitsPerPixel() / 8 * std::size_t{layout.width};
  for (std::uint32_t y = row; y < layout.height; ++y)
    std::memset(picture.ScanLine(static_cast<int>(y)), 128, lineBytes);
  if (!messages_.NoteDamage("the data stop decoding at row " + std::to_string(row) + " of " +
                            std::to_string(layout.height) + " (" + why + "); the rest is grey"))
    throw Refusal(why);
}

// Tells progress that the read ended however it leaves, also by an error.
class EndOfRead {
 public:
  explicit EndOfRead(RowProgress* progress) : progress_(progress) {}
  ~EndOfRead() {
    if (progress_ != nullptr) progress_->Ended(complete_);
  }
  EndOfRead(const EndOfRead&) = delete;
  EndOfRead& operator=(const EndOfRead&) = delete;
  void Complete() { complete_ = true; }

 private:
  RowProgress* progress_;
  bool complete_ = false;
};

// Frees libtiff's RGBA state however the read leaves.
struct RgbaImage {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&image);
  }
};

void Reader::Read(Bitmap& picture, RowProgress* progress, SampleDepth depth) {
  EndOfRead end(progress);
  if (handle_.Tiff() == nullptr) throw LibraryRefusal("libtiff cannot open it");
  const Layout layout = ReadLayout();
  CheckSize(layout);
  RgbaImage rgba;
  if (!layout.Direct()) {
    char reason[1024] = "";
    if (TIFFRGBAImageOK(handle_.Tiff(), reason) != 1 ||
        TIFFRGBAImageBegin(&rgba.image, handle_.Tiff(), 0, reason) != 1)
      throw Refusal(handle_.Error().empty() ? reason : handle_.Error());
    rgba.begun = true;
    rgba.image.req_orientation = ORIENTATION_TOPLEFT;
  }
  // Every row is decoded into, or made grey.
  const bool keeps16 = depth == SampleDepth::Bits16 && layout.Direct() && layout.bits == 16;
  picture.Allocate(static_cast<int>(layout.width), static_cast<int>(layout.height),
                   keeps16 ? PixelFormat::Bits48 : PixelFormat::Bits24);
  if (progress != nullptr) progress->Started(picture);
  const std::uint32_t bands = (layout.height - 1) / layout.bandRows + 1;
  for (std::uint32_t band = 0; band < bands; ++band) {
    const bool decoded = layout.Direct() ? DirectBand(layout, band, picture)
                                         : RgbaBand(rgba.image, layout, band, picture);
    if (!decoded) {
      Damaged(band * layout.bandRows, layout, picture);
      break;
    }
    if (progress != nullptr)
      progress->RowsFinished(
          static_cast<int>(std::min(layout.height, (band + 1) * layout.bandRows)));
  }
  end.Complete();
}

}  // namespace

void ReadTiffWithLibtiff(const std::string& name, ByteSource& source, Bitmap& target,
                         MessagePort& messages, RowProgress* progress, SampleDepth depth) {
  Reader reader(name, source, messages);
  Bitmap picture;
  reader.Read(picture, progress, depth);
  target = std::move(picture);
}

}  // namespace brumel
