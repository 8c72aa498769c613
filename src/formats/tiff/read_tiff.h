// Decoding the uncompressed full-colour RGB directories of a TIFF file into a Bitmap. Problems
// are told to the user through the message port, one message per directory, and the load goes
// on with the next directory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/tiff/byte_source.h"
#include "formats/tiff/read_tiff_tags.h"
#include "platform/bitmap.h"
#include "platform/ports.h"

namespace brumel {

inline constexpr char kTiffImageDataError[] = "Error reading image data";

// Fills bitmap, at 24 bits, with the last RGB directory of the file that decodes; true when it
// did. Without such a directory the bitmap is left as it was.
bool LoadTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages);

// The same for data from any source (memory, for the fuzzer); name is the file name the
// messages show.
bool LoadTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages);

// Decodes one directory of file into bitmap; true when it did, else it showed why.
bool DecodeRgbDirectory(ByteSource& file, const TGraphicTiff& directory, Bitmap& bitmap,
                        MessagePort& messages);

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

// The first layout.NeededBytes() bytes of the strips, planes taken from their own strips; none
// when the strips hold fewer bytes or one of them cannot be read as far as it is needed.
std::optional<std::vector<std::uint8_t>> ReadStripData(ByteSource& file,
                                                       const TGraphicTiff& directory,
                                                       const SampleLayout& layout);

// Exchanges the first and third byte of each of the first pixelCount 3-byte pixels.
void SwapRedBlue(std::span<std::uint8_t> pixels, std::uint64_t pixelCount);

// Widens rows of 3 x width bytes, one after the other, to the 4-byte-aligned scan lines of a
// 24-bit Bitmap, replacing the buffer when they differ.
void PadRows(std::vector<std::uint8_t>& buffer, std::uint32_t width, std::uint32_t height);

}  // namespace brumel
