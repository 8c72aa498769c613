#include "formats/png/png_unit.h"

#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <new>

#include "formats/png/png_unit_detail.h"
#include "formats/png/pnglib.h"
#include "platform/atomic_file.h"
#include "platform/byte_order.h"
#include "platform/error.h"

namespace brumel {

namespace {

// Where a read takes its bytes from: an open stream handed to png_init_io, or a memory block.
// Trivially destructible, so that it may live in a frame that the library's jump leaves.
struct PngSource {
  std::FILE* file;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
  // Bytes of the whole file or block, the bound for what its compressed rows can expand to.
  std::uint64_t available;
};

// deflate expands at most 1032 times; a picture whose rows need more than that many times the
// bytes of the file cannot be in it. The slack covers the zlib and chunk overheads.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 65536;

// What a read or write tells beyond success, reached through the library's error pointer.
// Trivially destructible, like PngSource.
struct PngOutcome {
  // The library's text for the error that ended the work.
  char message[160];
  // Set once the rows are being read: a failure from here on leaves a picture read in part.
  bool readingRows;
  bool interlaced;
  // The rows read so far in the current pass, and the pass (0 to 6).
  png_uint_32 rowsRead;
  int pass;
};

// The library's error function: keeps the message and goes back to the setjmp of the read or
// write.
[[noreturn]] void PngErrorExit(png_structp png, png_const_charp message) {
  PngOutcome* outcome = static_cast<PngOutcome*>(png_get_error_ptr(png));
  if (outcome != nullptr) {
    std::strncpy(outcome->message, message, sizeof outcome->message - 1);
    outcome->message[sizeof outcome->message - 1] = '\0';
  }
  png_longjmp(png, 1);
}

void PngRowRead(png_structp png, png_uint_32 row, int pass) {
  PngOutcome* outcome = static_cast<PngOutcome*>(png_get_error_ptr(png));
  outcome->rowsRead = row;
  outcome->pass = pass;
}

// Warnings (a bad CRC in an ancillary chunk, an unknown chunk ...) are not shown.
void PngIgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void PngReadFromMemory(png_structp png, png_bytep out, std::size_t length) {
  PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->offset) png_error(png, "Read Error");
  if (length == 0) return;
  std::memcpy(out, source->data + source->offset, length);
  source->offset += length;
}

int ChannelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    default: return 4;
  }
}

// The declared size against the memory bound and against what the file can hold.
bool PlausibleSize(png_uint_32 width, png_uint_32 height, int bitDepth, int colorType,
                   std::uint64_t available) {
  if (!PictureFits(width, height)) return false;
  const std::uint64_t bits = static_cast<std::uint64_t>(ChannelsOf(colorType)) *
                             static_cast<std::uint64_t>(bitDepth > 0 ? bitDepth : 1);
  const std::uint64_t rowBytes = (width * bits + 7) / 8 + 1;  // with the filter byte
  const std::uint64_t raw = rowBytes * height;
  return available >= std::numeric_limits<std::uint64_t>::max() / kMaxDeflateRatio ||
         raw <= available * kMaxDeflateRatio + kDeflateSlack;
}

// Steps 4 to 18 of ReadPngFile. Runs under the setjmp of ReadPngStream, so nothing here has a
// destructor; every failure is a png_error.
void ReadPngSteps(png_structp png, png_infop info, PngSource* source, PngImageInfo* image,
                  PngOutcome* outcome, SampleDepth depth) {
  if (source->file != nullptr)
    png_init_io(png, source->file);
  else
    png_set_read_fn(png, source, PngReadFromMemory);
  png_set_read_status_fn(png, PngRowRead);
  // Only IHDR, PLTE, tRNS, IDAT and IEND make the picture. libpng allocates the whole declared
  // length of some others (sPLT, tEXt ...) before reading them, up to 2 GiB for a few bytes.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (!PlausibleSize(width, height, bitDepth, colorType, source->available))
    png_error(png, "Picture too large");

  png_set_invert_alpha(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8) png_set_expand(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS) == PNG_INFO_tRNS) png_set_expand(png);
  // Grey becomes RGB and 16-bit samples are scaled to 8 with rounding unless they are kept, so
  // that every file reaches the buffer as R, G, B or R, G, B, T, of 8 bits or 16 (big-endian).
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  if (bitDepth < 8) png_set_packing(png);
  if (bitDepth == 16 && depth != SampleDepth::Bits16) png_set_scale_16(png);
  outcome->interlaced = png_set_interlace_handling(png) > 1;
  png_read_update_info(png, info);

  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  image->width = width;
  image->height = height;
  image->bitDepth = bitDepth;
  image->colorType = colorType;
  image->bytesPerPixel = width == 0 ? 0 : static_cast<int>(rowBytes / width);
  const int sampleBytes = bitDepth / 8;
  if ((bitDepth != 8 && bitDepth != 16) ||
      (image->bytesPerPixel != 3 * sampleBytes && image->bytesPerPixel != 4 * sampleBytes) ||
      rowBytes != static_cast<std::size_t>(width) * image->bytesPerPixel)
    png_error(png, "Unexpected pixel layout");
  if (!AllocPngBuffer(*image)) png_error(png, "Out of memory");
  outcome->readingRows = true;
  png_read_image(png, image->rows.data());
}

// Steps 2 to 19 of ReadPngFile: true when image was filled, as far as the file went when
// outcome->readingRows. C style: nothing with a destructor is in scope of the setjmp.
bool ReadPngStream(PngSource* source, PngImageInfo* image, PngOutcome* outcome, SampleDepth depth) {
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, outcome, PngErrorExit, PngIgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return outcome->readingRows;
  }
  ReadPngSteps(png, info, source, image, outcome, depth);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// Steps 4 to 9 of WritePngFile, under the setjmp of WritePngStream.
void WritePngSteps(png_structp png, png_infop info, std::FILE* stream, const PngImageInfo* image) {
  png_init_io(png, stream);
  png_set_write_status_fn(png, nullptr);
  png_set_IHDR(png, info, image->width, image->height, image->bitDepth, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  char key[sizeof kPngSoftwareKey];
  char words[sizeof kPngSoftwareText];
  std::memcpy(key, kPngSoftwareKey, sizeof key);
  std::memcpy(words, kPngSoftwareText, sizeof words);
  png_text text;
  std::memset(&text, 0, sizeof text);
  text.compression = PNG_TEXT_COMPRESSION_NONE;
  text.key = key;
  text.text = words;
  text.text_length = sizeof words - 1;
  png_set_text(png, info, &text, 1);
  png_write_info(png, info);
  if (image->pixels.empty() || image->rows.size() != image->height)
    png_error(png, "No pixels to write");
  png_write_image(png, const_cast<png_bytepp>(image->rows.data()));
  png_write_end(png, nullptr);
  png_write_flush(png);
}

// Steps 2 to 10 of WritePngFile: true when everything was handed to the stream.
bool WritePngStream(std::FILE* stream, const PngImageInfo* image) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorExit, PngIgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  WritePngSteps(png, info, stream, image);
  png_destroy_write_struct(&png, &info);
  return true;
}

std::uint64_t StreamSize(std::FILE* stream) {
  struct stat status;
  if (fstat(fileno(stream), &status) != 0 || !S_ISREG(status.st_mode))
    return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(status.st_size);
}

constexpr char kWriteText[] = "Error Writing PNG File!";

[[noreturn]] void ThrowReadError(PngImageInfo& info, const PngOutcome& outcome) {
  info.pixels.clear();
  info.rows.clear();
  const std::string window = "Error Reading File!";
  throw Error(window, outcome.message[0] == '\0' ? window : window + " " + outcome.message);
}

// After a read that stopped in the rows: the rows not reached of a sequential file made grey,
// and what is missing. Empty when the read went to its end.
std::string DamageOf(const PngOutcome& outcome, PngImageInfo& info) {
  if (outcome.message[0] == '\0') return {};
  const std::string where =
      "row " + std::to_string(outcome.rowsRead) + " of " + std::to_string(info.height);
  // libpng's I/O says "Read Error" when the file ends, its inflate "Not enough image data".
  const bool ends = std::strcmp(outcome.message, "Read Error") == 0 ||
                    std::strcmp(outcome.message, "Not enough image data") == 0;
  const std::string what = ends ? "the file ends" : outcome.message + std::string(",");
  if (outcome.interlaced)
    return what + " in pass " + std::to_string(outcome.pass + 1) + " of 7, at " + where +
           "; the later passes are missing";
  const std::size_t rowBytes = static_cast<std::size_t>(info.width) * info.bytesPerPixel;
  // Grey (128, or 128 x 257 in two bytes of 128) and opaque (a transparency of 0).
  const std::size_t colourBytes = 3 * static_cast<std::size_t>(info.bitDepth / 8);
  for (std::uint32_t y = outcome.rowsRead; y < info.height; ++y)
    for (std::size_t i = 0; i < rowBytes; ++i)
      info.rows[y][i] = i % info.bytesPerPixel >= colourBytes ? 0 : 128;
  return what + " at " + where + "; the rest is grey";
}

// Reads source into info. A picture read in part is kept, with what is missing in *damage,
// when damage is given; without it, it is a reading error.
void ReadPngSource(PngSource& source, PngImageInfo& info, std::string* damage,
                   SampleDepth depth = kDefaultSampleDepth) {
  PngOutcome outcome;
  std::memset(&outcome, 0, sizeof outcome);
  const bool read = ReadPngStream(&source, &info, &outcome, depth);
  if (!read || (damage == nullptr && outcome.message[0] != '\0')) ThrowReadError(info, outcome);
  if (damage != nullptr) *damage = DamageOf(outcome, info);
}

// Steps 3 to 5 of PngToBitmap, with the mend: the picture is composited over white, not over
// what target held, and target is replaced only when everything succeeded.
void PngInfoToBitmap(const PngImageInfo& info, Bitmap& target) {
  Bitmap picture;
  try {
    picture = Bitmap(static_cast<int>(info.width), static_cast<int>(info.height),
                     info.bitDepth == 16 ? PixelFormat::Bits48 : PixelFormat::Bits24);
  } catch (const Error&) {
    throw Error("Error Reading File!");
  }
  DrawPngBuffer(info, picture, 0, 0);
  target = std::move(picture);
}

// Sample i of a buffer pixel: a byte, or two in the file's big-endian order.
inline std::uint8_t BufferSample(const std::uint8_t* pixel, int i, std::uint8_t /*type*/) {
  return pixel[i];
}
inline std::uint16_t BufferSample(const std::uint8_t* pixel, int i, std::uint16_t /*type*/) {
  return static_cast<std::uint16_t>(pixel[2 * i] << 8 | pixel[2 * i + 1]);
}

// DrawPngBuffer on a target of the buffer's sample type, 24 or 48 bits.
template <class Sample>
void DrawSamples(const PngImageInfo& info, Bitmap& target, int left, int top) {
  const int bytes = info.bytesPerPixel;
  const int colourBytes = 3 * static_cast<int>(sizeof(Sample));
  if (bytes != colourBytes && bytes != 4 * static_cast<int>(sizeof(Sample))) return;
  if (info.pixels.size() < static_cast<std::size_t>(info.width) * info.height * bytes) return;
  if (target.Format() != kColourFormat<Sample>) target.SetPixelFormat(kColourFormat<Sample>);
  constexpr std::uint64_t kMax = kSampleMax<Sample>;
  for (std::uint32_t y = 0; y < info.height; ++y) {
    const std::int64_t targetY = static_cast<std::int64_t>(top) + y;
    if (targetY < 0 || targetY >= target.Height()) continue;
    const std::uint8_t* source =
        info.pixels.data() + static_cast<std::size_t>(y) * info.width * bytes;
    Sample* row = target.SampleLine<Sample>(static_cast<int>(targetY));
    for (std::uint32_t x = 0; x < info.width; ++x, source += bytes) {
      const std::int64_t targetX = static_cast<std::int64_t>(left) + x;
      if (targetX < 0 || targetX >= target.Width()) continue;
      Sample* pixel = row + 3 * static_cast<std::size_t>(targetX);
      const std::uint64_t t = bytes > colourBytes ? BufferSample(source, 3, Sample{}) : 0;
      if (t == kMax) continue;
      for (int c = 0; c < 3; ++c) {
        const std::uint64_t colour = BufferSample(source, 2 - c, Sample{});
        pixel[c] =
            static_cast<Sample>(t == 0 ? colour : (t * pixel[c] + (kMax - t) * colour) / kMax);
      }
    }
  }
}

// Row y of a 48-bit bitmap as the big-endian red, green, blue samples of a 16-bit PNG.
void PutBigEndianRgb(const Bitmap& bitmap, int y, std::uint8_t* out) {
  const std::uint16_t* line = bitmap.SampleLine<std::uint16_t>(y);
  for (int x = 0; x < bitmap.Width(); ++x, line += 3)
    for (int c = 0; c < 3; ++c, out += 2) {
      out[0] = static_cast<std::uint8_t>(line[2 - c] >> 8);
      out[1] = static_cast<std::uint8_t>(line[2 - c]);
    }
}

}  // namespace

bool AllocPngBuffer(PngImageInfo& info) noexcept {
  info.pixels.clear();
  info.pixels.shrink_to_fit();
  info.rows.clear();
  info.rows.shrink_to_fit();
  if (info.bytesPerPixel <= 0) return false;
  const std::uint64_t rowBytes =
      static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.bytesPerPixel);
  if (info.height != 0 && rowBytes > std::numeric_limits<std::size_t>::max() / info.height / 2)
    return false;
  try {
    info.pixels.resize(static_cast<std::size_t>(rowBytes * info.height));
    info.rows.resize(info.height);
  } catch (const std::bad_alloc&) {
    info.pixels.clear();
    info.pixels.shrink_to_fit();
    info.rows.clear();
    info.rows.shrink_to_fit();
    return false;
  }
  for (std::uint32_t r = 0; r < info.height; ++r)
    info.rows[r] = info.pixels.data() + static_cast<std::size_t>(r) * rowBytes;
  return true;
}

void ReadPngFile(const std::string& fileName, PngImageInfo& info, std::string* damage,
                 SampleDepth depth) {
  info.width = 0;
  info.height = 0;
  std::FILE* stream = PngOpenFile(fileName, "rb");
  if (stream == nullptr) throw Error("Error Opening File " + fileName + "!");
  PngSource source{stream, nullptr, 0, 0, StreamSize(stream)};
  try {
    ReadPngSource(source, info, damage, depth);
    PngCloseFile(stream);
  } catch (...) {
    PngCloseFile(stream);
    throw;
  }
}

void PngToBitmap(const std::string& fileName, Bitmap& target, std::string* damage,
                 SampleDepth depth) {
  PngImageInfo info;
  ReadPngFile(fileName, info, damage, depth);
  PngInfoToBitmap(info, target);
}

void PngToBitmapFromMemory(const std::uint8_t* data, std::size_t size, Bitmap& target,
                           SampleDepth depth) {
  PngImageInfo info;
  PngSource source{nullptr, data, data == nullptr ? 0 : size, 0, size};
  ReadPngSource(source, info, nullptr, depth);
  PngInfoToBitmap(info, target);
}

void DrawPngBuffer(const PngImageInfo& info, Bitmap& target, int left, int top) {
  if (info.bitDepth == 16)
    DrawSamples<std::uint16_t>(info, target, left, top);
  else
    DrawSamples<std::uint8_t>(info, target, left, top);
}

void WritePngFile(const std::string& fileName, const PngImageInfo& info) {
  if (info.width == 0 || info.height == 0) RefuseEmptyPicture(Bitmap(), fileName);
  AtomicFile file(fileName);
  if (file.Stream() == nullptr)
    throw WriteError("Error Opening File " + fileName + "!", fileName, file.SystemError());
  errno = 0;
  if (!WritePngStream(file.Stream(), &info))
    throw WriteError(kWriteText, fileName, std::ferror(file.Stream()) ? errno : 0);
  if (!file.Commit()) throw WriteError(kWriteText, fileName, file.SystemError());
}

void BitmapToPng(const std::string& fileName, const Bitmap& bitmap) {
  RefuseEmptyPicture(bitmap, fileName);
  const bool deep = bitmap.Format() == PixelFormat::Bits48;
  Bitmap converted;
  const Bitmap* source = deep ? &bitmap : &In24Bits(bitmap, converted);
  PngImageInfo info;
  info.width = static_cast<std::uint32_t>(source->Width());
  info.height = static_cast<std::uint32_t>(source->Height());
  info.colorType = PNG_COLOR_TYPE_RGB;
  info.bitDepth = deep ? 16 : 8;
  info.bytesPerPixel = 3 * info.bitDepth / 8;
  if (!source->Empty()) {
    if (!AllocPngBuffer(info)) throw Error("Error Writing PNG File!");
    for (int y = 0; y < source->Height(); ++y) {
      std::uint8_t* row = info.rows[static_cast<std::size_t>(y)];
      if (deep)
        PutBigEndianRgb(*source, y, row);
      else
        SwapRedBlue(source->ScanLine(y), 3, row, static_cast<std::size_t>(source->Width()));
    }
  }
  WritePngFile(fileName, info);
}

}  // namespace brumel
