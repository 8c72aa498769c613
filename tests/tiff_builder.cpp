#include "tiff_builder.h"

namespace brumel::tiff_test {

TiffBuilder::TiffBuilder(bool littleEndian, std::uint16_t magic)
    : little_(littleEndian), bytes_(8, 0) {
  bytes_[0] = bytes_[1] = littleEndian ? 'I' : 'M';
  Put16(2, magic);
}

void TiffBuilder::Put16(std::size_t at, std::uint16_t value) {
  bytes_[at + (little_ ? 0 : 1)] = static_cast<std::uint8_t>(value);
  bytes_[at + (little_ ? 1 : 0)] = static_cast<std::uint8_t>(value >> 8);
}

void TiffBuilder::Put32(std::size_t at, std::uint32_t value) {
  Put16(at + (little_ ? 0 : 2), static_cast<std::uint16_t>(value));
  Put16(at + (little_ ? 2 : 0), static_cast<std::uint16_t>(value >> 16));
}

std::uint32_t TiffBuilder::Append(const std::vector<std::uint8_t>& bytes) {
  if (bytes_.size() % 2) bytes_.push_back(0);
  const auto offset = static_cast<std::uint32_t>(bytes_.size());
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return offset;
}

std::uint32_t TiffBuilder::AppendShorts(const std::vector<std::uint16_t>& values) {
  const std::uint32_t offset = Append(std::vector<std::uint8_t>(2 * values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) Put16(offset + 2 * i, values[i]);
  return offset;
}

std::uint32_t TiffBuilder::AppendLongs(const std::vector<std::uint32_t>& values) {
  const std::uint32_t offset = Append(std::vector<std::uint8_t>(4 * values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) Put32(offset + 4 * i, values[i]);
  return offset;
}

std::uint32_t TiffBuilder::AddDirectory(const std::vector<RawEntry>& entries) {
  const std::uint32_t offset = Append(std::vector<std::uint8_t>(2 + 12 * entries.size() + 4));
  Put16(offset, static_cast<std::uint16_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& e = entries[i];
    const std::size_t at = offset + 2 + 12 * i;
    Put16(at, e.tag);
    Put16(at + 2, e.type);
    Put32(at + 4, e.count);
    if (e.type == 3 && e.count == 1)
      Put16(at + 8, static_cast<std::uint16_t>(e.value));
    else
      Put32(at + 8, e.value);
  }
  Put32(nextWord_, offset);
  nextWord_ = offset + 2 + 12 * entries.size();
  return offset;
}

void TiffBuilder::SetNext(std::uint32_t directory, std::uint32_t next) {
  const std::size_t count = little_ ? bytes_[directory] | bytes_[directory + 1] << 8
                                    : bytes_[directory] << 8 | bytes_[directory + 1];
  Put32(directory + 2 + 12 * count, next);
}

std::vector<RawEntry> RgbEntries(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t dataOffset, std::uint32_t dataBytes) {
  return {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, 8},
          {259, 3, 1, 1},     {262, 3, 1, 2},      {273, 4, 1, dataOffset},
          {277, 3, 1, 3},     {278, 4, 1, height}, {279, 4, 1, dataBytes}};
}

std::vector<std::uint8_t> RgbSamples(const Bitmap& bitmap) {
  std::vector<std::uint8_t> samples;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int c = 0; c < 3; ++c) samples.push_back(Channel(bitmap, x, y, c));
  return samples;
}

}  // namespace brumel::tiff_test
