#include "formats/tiff/libtiff_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <iterator>
#include <thread>
#include <variant>
#include <vector>

#include "formats/tiff/bmp2tiff.h"
#include "formats/tiff/libtiff_source.h"
#include "formats/tiff/libtiff_strip_encoder.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/picture_memory.h"

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

// The strip's samples into samples, whose memory serves strip after strip.
void StripSamples(const Bitmap& bitmap, std::uint32_t first, std::uint32_t rows, bool differenced,
                  std::vector<std::uint8_t>& samples) {
  const std::size_t rowBytes = bitmap.BitsPerPixel() / 8 * static_cast<std::size_t>(bitmap.Width());
  // Allocated with new's alignment, which 16-bit samples keep.
  samples.resize(rowBytes * rows);
  if (bitmap.Format() == PixelFormat::Bits48)
    PutStripSamples<std::uint16_t>(bitmap, first, rows, differenced, samples.data());
  else
    PutStripSamples<std::uint8_t>(bitmap, first, rows, differenced, samples.data());
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

  // The bytes of a buffer that holds the zlib stream of any strip of this many bytes.
  std::size_t Bound(std::size_t stripBytes) const {
    return libdeflate_zlib_compress_bound(compressor_, stripBytes);
  }
  // A zlib stream, as TIFF's Deflate compression stores a strip, into out (of Bound bytes); its
  // size, never 0 within the bound.
  std::size_t Strip(const std::vector<std::uint8_t>& samples, std::uint8_t* out,
                    std::size_t bound) {
    return libdeflate_zlib_compress(compressor_, samples.data(), samples.size(), out, bound);
  }

 private:
  libdeflate_compressor* compressor_;
};

// The deflated strips of a picture, strip s in slot s of one block: the threads fill their slots
// at once, and memory is touched only where a stream is written, not for every strip's bound
// nor afresh for every strip; a picture's memory, in huge pages.
struct DeflatedStrips {
  std::vector<std::uint8_t, PictureAllocator<std::uint8_t>> block;
  std::size_t slot = 0;
  std::vector<std::size_t> sizes;
  std::uint8_t* Strip(std::size_t s) { return block.data() + s * slot; }
};

// Runs work(s, state, samples) for every strip s on up to threads threads, each taking the next
// strip not yet taken, with a State (its encoder) and a buffer for the strip's samples of its own
// that serve strip after strip. The first error raised stops the others and goes on to the caller.
template <class State, class Work>
void ForEachStrip(std::uint32_t count, unsigned threads, const Work& work) {
  std::atomic<std::uint32_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr error;
  auto run = [&] {
    try {
      State state;
      std::vector<std::uint8_t> samples;
      for (std::uint32_t s = next++; s < count && !failed; s = next++) work(s, state, samples);
    } catch (...) {
      if (!failed.exchange(true)) error = std::current_exception();
    }
  };
  std::vector<std::jthread> helpers;
  for (unsigned t = 1; t < std::min<unsigned>(threads, count); ++t) helpers.emplace_back(run);
  run();
  helpers.clear();
  if (error) std::rethrow_exception(error);
}

std::uint32_t StripCount(const Bitmap& bitmap, std::uint32_t rowsPerStrip) {
  return (static_cast<std::uint32_t>(bitmap.Height()) - 1) / rowsPerStrip + 1;
}

// The rows of strip s.
std::uint32_t StripRows(const Bitmap& bitmap, std::uint32_t rowsPerStrip, std::uint32_t s) {
  return std::min(rowsPerStrip, static_cast<std::uint32_t>(bitmap.Height()) - s * rowsPerStrip);
}

// Every strip deflated, on up to threads threads.
DeflatedStrips DeflateStrips(const Bitmap& bitmap, std::uint32_t rowsPerStrip, unsigned threads) {
  const std::uint32_t count = StripCount(bitmap, rowsPerStrip);
  DeflatedStrips strips;
  strips.sizes.resize(count);
  strips.slot = Deflater().Bound(bitmap.BitsPerPixel() / 8 * std::size_t{rowsPerStrip} *
                                 static_cast<std::size_t>(bitmap.Width()));
  strips.block.resize(strips.slot * count);  // left unset
  ForEachStrip<Deflater>(
      count, threads, [&](std::uint32_t s, Deflater& deflater, std::vector<std::uint8_t>& samples) {
        StripSamples(bitmap, s * rowsPerStrip, StripRows(bitmap, rowsPerStrip, s), true, samples);
        strips.sizes[s] = deflater.Strip(samples, strips.Strip(s), strips.slot);
      });
  return strips;
}

constexpr std::uint16_t kLibtiffCompression[] = {COMPRESSION_NONE, COMPRESSION_ADOBE_DEFLATE,
                                                 COMPRESSION_LZW};

// The file a bitmap is written as: RGB at its depth, compressed strips with the predictor.
StripFormat FileFormat(const Bitmap& bitmap, TiffCompression compression) {
  return {static_cast<std::uint32_t>(bitmap.Width()),
          static_cast<std::uint16_t>(bitmap.BitsPerPixel() / 3),
          3,
          PHOTOMETRIC_RGB,
          kLibtiffCompression[static_cast<int>(compression)],
          compression == TiffCompression::None ? std::uint16_t{PREDICTOR_NONE}
                                               : std::uint16_t{PREDICTOR_HORIZONTAL}};
}

// Every strip encoded by libtiff's LZW codec, on up to threads threads.
std::vector<std::vector<std::uint8_t>> LzwStrips(const std::string& fileName, const Bitmap& bitmap,
                                                 std::uint32_t rowsPerStrip, unsigned threads) {
  const StripFormat format = FileFormat(bitmap, TiffCompression::Lzw);
  std::vector<std::vector<std::uint8_t>> strips(StripCount(bitmap, rowsPerStrip));
  // libtiff's codec keeps its state in the TIFF in memory each strip is encoded in.
  ForEachStrip<std::monostate>(
      static_cast<std::uint32_t>(strips.size()), threads,
      [&](std::uint32_t s, std::monostate&, std::vector<std::uint8_t>& samples) {
        const std::uint32_t rows = StripRows(bitmap, rowsPerStrip, s);
        StripSamples(bitmap, s * rowsPerStrip, rows, false, samples);
        strips[s] = EncodeStrip(fileName, format, rows, samples);
      });
  return strips;
}

// The strips into tiff; false when libtiff refused one. Compressed strips are encoded on up to
// threads threads and written as they are; uncompressed ones, which only need copying, by libtiff.
bool WriteStrips(TIFF* tiff, const std::string& fileName, const Bitmap& bitmap,
                 TiffCompression compression, std::uint32_t rowsPerStrip, unsigned threads) {
  if (compression == TiffCompression::Deflate) {
    DeflatedStrips strips = DeflateStrips(bitmap, rowsPerStrip, threads);
    for (std::uint32_t s = 0; s < strips.sizes.size(); ++s)
      if (TIFFWriteRawStrip(tiff, s, strips.Strip(s), static_cast<tmsize_t>(strips.sizes[s])) < 0)
        return false;
    return true;
  }
  if (compression == TiffCompression::Lzw) {
    std::vector<std::vector<std::uint8_t>> strips =
        LzwStrips(fileName, bitmap, rowsPerStrip, threads);
    for (std::uint32_t s = 0; s < strips.size(); ++s)
      if (TIFFWriteRawStrip(tiff, s, strips[s].data(), static_cast<tmsize_t>(strips[s].size())) < 0)
        return false;
    return true;
  }
  std::vector<std::uint8_t> samples;
  for (std::uint32_t s = 0; s < StripCount(bitmap, rowsPerStrip); ++s) {
    StripSamples(bitmap, s * rowsPerStrip, StripRows(bitmap, rowsPerStrip, s), false, samples);
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
                        TiffCompression compression, unsigned threads,
                        const FileBytesStep* finish) {
  const bool deep = picture.Format() == PixelFormat::Bits48;
  if (compression == TiffCompression::None && !deep) return SaveTiffFile(fileName, picture);
  RefuseEmptyPicture(picture, fileName);
  Bitmap scratch;
  const Bitmap& bitmap = deep ? picture : In24Bits(picture, scratch);
  const std::string failure = "Cannot write file " + fileName;
  std::vector<std::uint8_t> bytes;
  // Address space only: the pages are touched as the file grows into them, and an uncompressed
  // file, or one the predictor cannot shrink, grows only once more.
  bytes.reserve(static_cast<std::size_t>(bitmap.Height()) * bitmap.BitsPerPixel() / 8 *
                    static_cast<std::size_t>(bitmap.Width()) +
                (std::size_t{1} << 20));
  LibtiffHandle handle(fileName, bytes);
  const std::uint32_t rowsPerStrip = RowsPerStrip(bitmap);
  bool written = handle.Tiff() != nullptr;
  if (written) {
    SetStripTags(handle.Tiff(), FileFormat(bitmap, compression),
                 static_cast<std::uint32_t>(bitmap.Height()), rowsPerStrip);
    written = WriteStrips(handle.Tiff(), fileName, bitmap, compression, rowsPerStrip,
                          std::max(threads, 1u));
  }
  written = handle.Close() && written;
  if (!written) throw Error(failure, failure + ": " + handle.Error());
  if (finish != nullptr) (*finish)(bytes);
  AtomicFile file(fileName);
  if (!file.Stream())
    throw WriteError("Cannot create file " + fileName, fileName, file.SystemError());
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size())
    throw WriteError(failure, fileName, errno);
  if (!file.Commit()) throw WriteError(failure, fileName, file.SystemError());
}

}  // namespace brumel
