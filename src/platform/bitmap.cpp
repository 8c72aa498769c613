#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/error.h"

namespace brumel {

int BitsPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::Bits1: return 1;
    case PixelFormat::Bits4: return 4;
    case PixelFormat::Bits8: return 8;
    case PixelFormat::Bits24: return 24;
    case PixelFormat::Bits32: return 32;
    case PixelFormat::Bits48: return 48;
  }
  return 24;
}

std::uint64_t StrideFor(std::uint64_t width, int bitsPerPixel) {
  return (width * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  Reshape(width, height, format);
}

void Bitmap::SetWidth(int width) {
  Reshape(width, height_, format_);
}
void Bitmap::SetHeight(int height) {
  Reshape(width_, height, format_);
}
void Bitmap::SetSize(int width, int height) {
  Reshape(width, height, format_);
}

namespace {

[[noreturn]] void ThrowOutOfMemory(int width, int height) {
  throw Error("Not enough memory for a bitmap of " + std::to_string(width) + " x " +
              std::to_string(height) + " pixels");
}

}  // namespace

std::uint64_t Bitmap::CheckedBytes(int width, int height, PixelFormat format,
                                   std::uint64_t* stride) {
  if (width < 0 || height < 0)
    throw Error("Invalid bitmap size " + std::to_string(width) + " x " + std::to_string(height));
  *stride = StrideFor(static_cast<std::uint64_t>(width), brumel::BitsPerPixel(format));
  const std::uint64_t total = *stride * static_cast<std::uint64_t>(height);
  if (total > kMaxBytes) ThrowOutOfMemory(width, height);
  return total;
}

void Bitmap::Reshape(int width, int height, PixelFormat format) {
  std::uint64_t stride = 0;
  const std::uint64_t total = CheckedBytes(width, height, format, &stride);
  decltype(pixels_) pixels;
  try {
    pixels.assign(static_cast<std::size_t>(total), 0xFF);
  } catch (const std::bad_alloc&) {
    ThrowOutOfMemory(width, height);
  }
  if (format == format_) {
    const std::size_t common = std::min<std::size_t>(stride_, static_cast<std::size_t>(stride));
    const std::size_t keptBytes =
        static_cast<std::size_t>(std::min(width, width_)) * brumel::BitsPerPixel(format) / 8;
    const std::size_t copied = std::min(common, keptBytes);
    const int rows = std::min(height, height_);
    for (int y = 0; y < rows; ++y)
      std::memcpy(pixels.data() + y * stride, pixels_.data() + y * stride_, copied);
  }
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = static_cast<std::size_t>(stride);
  pixels_ = std::move(pixels);
}

void Bitmap::Allocate(int width, int height, PixelFormat format) {
  std::uint64_t stride = 0;
  const std::uint64_t total = CheckedBytes(width, height, format, &stride);
  // Growing in place would copy the old pixels over: let them go first.
  if (pixels_.capacity() < total) decltype(pixels_)().swap(pixels_);
  try {
    pixels_.resize(static_cast<std::size_t>(total));
  } catch (const std::bad_alloc&) {
    Clear();
    ThrowOutOfMemory(width, height);
  }
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = static_cast<std::size_t>(stride);
  palette_.clear();
  const std::size_t used =
      (static_cast<std::size_t>(width) * static_cast<std::size_t>(BitsPerPixel()) + 7) / 8;
  if (used == stride_) return;
  for (int y = 0; y < height; ++y) std::memset(ScanLine(y) + used, 0xFF, stride_ - used);
}

void Bitmap::Clear() {
  pixels_.clear();
  width_ = height_ = 0;
  stride_ = 0;
  palette_.clear();
}

PaletteEntry Bitmap::PixelColor(const std::uint8_t* row, int x) const {
  auto lookup = [this](unsigned index) {
    return index < palette_.size() ? palette_[index] : PaletteEntry{};
  };
  switch (format_) {
    case PixelFormat::Bits1: return lookup((row[x / 8] >> (7 - x % 8)) & 1u);
    case PixelFormat::Bits4: return lookup(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0Fu);
    case PixelFormat::Bits8: return lookup(row[x]);
    case PixelFormat::Bits24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    case PixelFormat::Bits32: return {row[4 * x], row[4 * x + 1], row[4 * x + 2]};
    case PixelFormat::Bits48: {
      const auto* samples = reinterpret_cast<const std::uint16_t*>(row) + 3 * x;
      return {NarrowSample(samples[0]), NarrowSample(samples[1]), NarrowSample(samples[2])};
    }
  }
  return {};
}

void Bitmap::SetPixelFormat(PixelFormat format) {
  if (format == format_) return;
  if (format == PixelFormat::Bits48) return Widen();
  if (format != PixelFormat::Bits24) {
    Reshape(width_, height_, format);
    return;
  }
  Bitmap converted(width_, height_, PixelFormat::Bits24);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* source = ScanLine(y);
    std::uint8_t* target = converted.ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      const PaletteEntry c = PixelColor(source, x);
      target[3 * x] = c.blue;
      target[3 * x + 1] = c.green;
      target[3 * x + 2] = c.red;
    }
  }
  *this = std::move(converted);
}

void Bitmap::Widen() {
  SetPixelFormat(PixelFormat::Bits24);
  Bitmap widened;
  widened.Allocate(width_, height_, PixelFormat::Bits48);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* source = ScanLine(y);
    std::uint16_t* target = widened.SampleLine<std::uint16_t>(y);
    for (int i = 0; i < 3 * width_; ++i) target[i] = WidenSample(source[i]);
  }
  *this = std::move(widened);
}

const Bitmap& In24Bits(const Bitmap& bitmap, Bitmap& scratch) {
  if (bitmap.Format() == PixelFormat::Bits24) return bitmap;
  scratch = bitmap;
  scratch.SetPixelFormat(PixelFormat::Bits24);
  return scratch;
}

std::uint8_t* Bitmap::ScanLine(int row) {
  if (row < 0 || row >= height_) throw Error("Scan line index out of range");
  return pixels_.data() + static_cast<std::size_t>(row) * stride_;
}

const std::uint8_t* Bitmap::ScanLine(int row) const {
  if (row < 0 || row >= height_) throw Error("Scan line index out of range");
  return pixels_.data() + static_cast<std::size_t>(row) * stride_;
}

void Bitmap::SetColorTable(std::vector<PaletteEntry> palette) {
  const int bits = BitsPerPixel();
  if (bits > 8 || palette.size() > (std::size_t{1} << bits))
    throw Error("Colour table does not fit the pixel format");
  palette_ = std::move(palette);
}

std::string TooFewBytesText(std::uint64_t fileBytes, std::int64_t width, std::int64_t height) {
  return "the file holds " + std::to_string(fileBytes) + " bytes, too few for a picture of " +
         std::to_string(width) + " x " + std::to_string(height);
}

void RefuseEmptyPicture(const Bitmap& bitmap, const std::string& fileName) {
  if (!bitmap.Empty()) return;
  throw Error("Cannot write an empty picture (" + std::to_string(bitmap.Width()) + " x " +
              std::to_string(bitmap.Height()) + ") as " + fileName);
}

}  // namespace brumel
