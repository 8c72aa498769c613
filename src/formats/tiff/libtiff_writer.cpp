#include "formats/tiff/libtiff_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <thread>
#include <vector>

#include "formats/tiff/bmp2tiff.h"
#include "formats/tiff/libtiff_source.h"
#include "platform/atomic_file.h"
#include "platform/error.h"

namespace brumel {

namespace {

// Strips of about this many bytes keep every thread busy and each Deflate stream long enough to
// compress as well as one stream of the whole picture.
constexpr std::size_t kStripBytes = 256 * 1024;

std::uint32_t RowsPerStrip(const Bitmap& bitmap) {
  const std::size_t rowBytes = bitmap.BitsPerPixel() / 8 * static_cast<std::size_t>(bitmap.Width());
  return static_cast<std::uint32_t>(std::clamp<std::size_t>(
      kStripBytes / rowBytes, 1, static_cast<std::size_t>(bitmap.Height())));
}

// Rows [first, first + rows) as red, green, blue samples in the machine's byte order, which
// libtiff gives the file, each less the one of the pixel to its left (the horizontal
// predictor), when differenced.
template <class Sample>
void PutStripSamples(const Bitmap& bitmap, std::uint32_t first, std::uint32_t rows,
                     bool differenced, std::uint8_t* bytes) {
  const std::size_t rowSamples = 3 * static_cast<std::size_t>(bitmap.Width());
  for (std::uint32_t y = 0; y < rows; ++y) {
    const Sample* line = bitmap.SampleLine<Sample>(static_cast<int>(first + y));
    Sample* row = reinterpret_cast<Sample*>(bytes) + y * rowSamples;
    for (std::size_t x = 0; x < rowSamples; x += 3) {
      row[x] = line[x + 2];
      row[x + 1] = line[x + 1];
      row[x + 2] = line[x];
    }
    if (differenced)
      for (std::size_t i = rowSamples - 1; i >= 3; --i)
        row[i] = static_cast<Sample>(row[i] - row[i - 3]);
  }
}

std::vector<std::uint8_t> StripSamples(const Bitmap& bitmap, std::uint32_t first,
                                       std::uint32_t rows, bool differenced) {
  const std::size_t rowBytes = bitmap.BitsPerPixel() / 8 * static_cast<std::size_t>(bitmap.Width());
  // Allocated with new's alignment, which 16-bit samples keep.
  std::vector<std::uint8_t> samples(rowBytes * rows);
  if (bitmap.Format() == PixelFormat::Bits48)
    PutStripSamples<std::uint16_t>(bitmap, first, rows, differenced, samples.data());
  else
    PutStripSamples<std::uint8_t>(bitmap, first, rows, differenced, samples.data());
  return samples;
}

// libdeflate's fastest level. After the horizontal predictor the strips of a photograph are
// mostly short differences, and its higher levels search for matches that are not there: on a
// 6000 x 4000 scan, level 6 took twice the time of level 1 for files 2 % smaller at 8 bits and
// 1.6 % larger at 16 (bench/tiff_bench.sh), and level 1's are still smaller than libtiff's
// default (level 6 without the predictor).
constexpr int kDeflateLevel = 1;

// One thread's compressor.
class Deflater {
 public:
  Deflater() : compressor_(libdeflate_alloc_compressor(kDeflateLevel)) {
    if (compressor_ == nullptr) throw std::bad_alloc();
  }
  ~Deflater() { libdeflate_free_compressor(compressor_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // A zlib stream, as TIFF's Deflate compression stores a strip.
  std::vector<std::uint8_t> Strip(const std::vector<std::uint8_t>& samples) {
    std::vector<std::uint8_t> packed(libdeflate_zlib_compress_bound(compressor_, samples.size()));
    const std::size_t size = libdeflate_zlib_compress(compressor_, samples.data(), samples.size(),
                                                      packed.data(), packed.size());
    packed.resize(size);  // never 0: the buffer holds the bound
    return packed;
  }

 private:
  libdeflate_compressor* compressor_;
};

// Every strip deflated, on up to threads threads, each taking the next strip not yet taken.
std::vector<std::vector<std::uint8_t>> DeflateStrips(const Bitmap& bitmap,
                                                     std::uint32_t rowsPerStrip, unsigned threads) {
  const auto height = static_cast<std::uint32_t>(bitmap.Height());
  const std::uint32_t count = (height - 1) / rowsPerStrip + 1;
  std::vector<std::vector<std::uint8_t>> strips(count);
  std::atomic<std::uint32_t> next{0};
  std::atomic<bool> failed{false};
  auto work = [&] {
    try {
      Deflater deflater;
      for (std::uint32_t s = next++; s < count && !failed; s = next++) {
        const std::uint32_t first = s * rowsPerStrip;
        strips[s] = deflater.Strip(
            StripSamples(bitmap, first, std::min(rowsPerStrip, height - first), true));
      }
    } catch (const std::bad_alloc&) {
      failed = true;
    }
  };
  std::vector<std::jthread> helpers;
  for (unsigned t = 1; t < std::min<unsigned>(threads, count); ++t) helpers.emplace_back(work);
  work();
  helpers.clear();
  if (failed) throw std::bad_alloc();
  return strips;
}

constexpr std::uint16_t kLibtiffCompression[] = {COMPRESSION_NONE, COMPRESSION_ADOBE_DEFLATE,
                                                 COMPRESSION_LZW};

void SetTags(TIFF* tiff, const Bitmap& bitmap, TiffCompression compression,
             std::uint32_t rowsPerStrip) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(bitmap.Width()));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(bitmap.Height()));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitmap.BitsPerPixel() / 3);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, kLibtiffCompression[static_cast<int>(compression)]);
  if (compression != TiffCompression::None)
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
}

// The strips into tiff; false when libtiff refused one.
bool WriteStrips(TIFF* tiff, const Bitmap& bitmap, TiffCompression compression,
                 std::uint32_t rowsPerStrip, unsigned threads) {
  const auto height = static_cast<std::uint32_t>(bitmap.Height());
  if (compression == TiffCompression::Deflate) {
    std::vector<std::vector<std::uint8_t>> strips = DeflateStrips(bitmap, rowsPerStrip, threads);
    for (std::uint32_t s = 0; s < strips.size(); ++s)
      if (TIFFWriteRawStrip(tiff, s, strips[s].data(), static_cast<tmsize_t>(strips[s].size())) < 0)
        return false;
    return true;
  }
  // libtiff applies the predictor itself to the strips it encodes, and leaves uncompressed ones
  // as they are.
  for (std::uint32_t first = 0, s = 0; first < height; first += rowsPerStrip, ++s) {
    std::vector<std::uint8_t> samples =
        StripSamples(bitmap, first, std::min(rowsPerStrip, height - first), false);
    if (TIFFWriteEncodedStrip(tiff, s, samples.data(), static_cast<tmsize_t>(samples.size())) < 0)
      return false;
  }
  return true;
}

}  // namespace

std::optional<TiffCompression> TiffCompressionNamed(const std::string& name) {
  for (std::size_t i = 0; i < std::size(kTiffCompressionNames); ++i)
    if (name == kTiffCompressionNames[i]) return static_cast<TiffCompression>(i);
  return std::nullopt;
}

void SaveCompressedTiff(const std::string& fileName, const Bitmap& picture,
                        TiffCompression compression, unsigned threads) {
  const bool deep = picture.Format() == PixelFormat::Bits48;
  if (compression == TiffCompression::None && !deep) return SaveTiffFile(fileName, picture);
  RefuseEmptyPicture(picture, fileName);
  Bitmap scratch;
  const Bitmap& bitmap = deep ? picture : In24Bits(picture, scratch);
  AtomicFile file(fileName);
  if (!file.Stream())
    throw WriteError("Cannot create file " + fileName, fileName, file.SystemError());
  const std::string failure = "Cannot write file " + fileName;
  LibtiffHandle handle(fileName, file.Stream());
  const std::uint32_t rowsPerStrip = RowsPerStrip(bitmap);
  bool written = handle.Tiff() != nullptr;
  if (written) {
    SetTags(handle.Tiff(), bitmap, compression, rowsPerStrip);
    written = WriteStrips(handle.Tiff(), bitmap, compression, rowsPerStrip, std::max(threads, 1u));
  }
  written = handle.Close() && written;
  if (!written) {
    if (std::ferror(file.Stream())) throw WriteError(failure, fileName, errno);
    throw Error(failure, failure + ": " + handle.Error());
  }
  if (!file.Commit()) throw WriteError(failure, fileName, file.SystemError());
}

}  // namespace brumel
