// Making TIFF files for the codec's tests: directories of any entries, in either byte order,
// chained in the order they are added, with the data they point to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace brumel::tiff_test {

struct RawEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // a SHORT with count 1 is stored in the first two bytes of the word
};

class TiffBuilder {
 public:
  explicit TiffBuilder(bool littleEndian = true, std::uint16_t magic = 42);

  // Appends bytes at an even offset and returns the offset.
  std::uint32_t Append(const std::vector<std::uint8_t>& bytes);
  std::uint32_t AppendShorts(const std::vector<std::uint16_t>& values);
  std::uint32_t AppendLongs(const std::vector<std::uint32_t>& values);
  // Appends a directory, linked from the header or from the directory added before it.
  std::uint32_t AddDirectory(const std::vector<RawEntry>& entries);
  // Points the next-directory word of the directory at offset elsewhere.
  void SetNext(std::uint32_t directory, std::uint32_t next);
  void SetFirst(std::uint32_t offset) { Put32(4, offset); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  void Put16(std::size_t at, std::uint16_t value);
  void Put32(std::size_t at, std::uint32_t value);

  bool little_;
  std::vector<std::uint8_t> bytes_;
  std::size_t nextWord_ = 4;  // where the next directory's offset goes
};

// The entries of an uncompressed 8-bit chunky RGB image in one strip at dataOffset.
std::vector<RawEntry> RgbEntries(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t dataOffset, std::uint32_t dataBytes);

// Channel c (0 red, 1 green, 2 blue) of pixel (x, y) of a 24-bit bitmap.
inline std::uint8_t Channel(const Bitmap& bitmap, int x, int y, int c) {
  return bitmap.ScanLine(y)[3 * x + 2 - c];
}
// The pixels of a 24-bit bitmap as an RGB TIFF stores them: red, green, blue, rows unpadded.
std::vector<std::uint8_t> RgbSamples(const Bitmap& bitmap);

}  // namespace brumel::tiff_test
