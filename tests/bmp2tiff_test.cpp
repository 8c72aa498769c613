// Writing uncompressed TIFF files: the three fixed layouts byte for byte, the sizes a SHORT
// cannot hold, failed writes, and every file read back by our reader and by libtiff.
#include "formats/tiff/bmp2tiff.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/tiff/bmp2tiff_detail.h"
#include "formats/tiff/read_tiff.h"
#include "image_test_support.h"
#include "platform/error.h"
#include "tiff_builder.h"

namespace brumel {
namespace {

using testing::Pattern;
using tiff_test::RawEntry;
using Bytes = std::vector<std::uint8_t>;

Bytes Written(const Bitmap& bitmap) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  WriteTiff(stream, bitmap);
  std::fclose(stream);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

std::uint32_t Le(const Bytes& bytes, std::size_t at, int width = 4) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

// The directory at the offset the header names: its entries, and the zero that ends it.
void ExpectDirectory(const Bytes& bytes, const std::vector<RawEntry>& expected) {
  const std::uint32_t at = Le(bytes, 4);
  ASSERT_EQ(Le(bytes, at, 2), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::size_t entry = at + 2 + 12 * i;
    SCOPED_TRACE(expected[i].tag);
    EXPECT_EQ(Le(bytes, entry, 2), expected[i].tag);
    EXPECT_EQ(Le(bytes, entry + 2, 2), expected[i].type);
    EXPECT_EQ(Le(bytes, entry + 4), expected[i].count);
    EXPECT_EQ(Le(bytes, entry + 8), expected[i].value);
  }
  EXPECT_EQ(bytes.size(), at + 2 + 12 * expected.size() + 4);
  EXPECT_EQ(Le(bytes, bytes.size() - 4), 0u);
}

void ExpectFixedPieces(const Bytes& bytes, std::size_t resolutions, std::size_t software) {
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{'I', 'I', 42, 0}));
  for (std::size_t at : {resolutions, resolutions + 8}) {
    EXPECT_EQ(Le(bytes, at), 877u);
    EXPECT_EQ(Le(bytes, at + 4), 10u);
  }
  EXPECT_EQ(std::memcmp(&bytes.at(software), "Dorvi soft", 10), 0);
}

TEST(TiffWriter, RgbLayout) {
  Bitmap one(1, 1);
  std::uint8_t* pixel = one.ScanLine(0);
  pixel[0] = 0x33, pixel[1] = 0x22, pixel[2] = 0x11;
  const Bytes bytes = Written(one);
  ASSERT_EQ(bytes.size(), 229u);
  EXPECT_EQ(TiffFileSize(PixelFormat::Bits24, 1, 1), 229u);
  EXPECT_EQ(Le(bytes, 4), 43u);
  EXPECT_EQ(Bytes(bytes.begin() + 40, bytes.begin() + 43), (Bytes{0x11, 0x22, 0x33}));
  ExpectFixedPieces(bytes, 8, 30);
  EXPECT_EQ(Bytes(bytes.begin() + 24, bytes.begin() + 30), (Bytes{8, 0, 8, 0, 8, 0}));
  // clang-format off
  ExpectDirectory(bytes, {
      {254, 4, 1, 0}, {256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, 3, 24},
      {259, 3, 1, 1}, {262, 3, 1, 2}, {273, 4, 1, 40}, {277, 3, 1, 3},
      {278, 4, 1, 1}, {279, 4, 1, 3}, {282, 5, 1, 8}, {283, 5, 1, 16},
      {284, 3, 1, 1}, {296, 3, 1, 2}, {305, 2, 10, 30}});
  // clang-format on

  // Rows top first, red, green, blue, without fill bytes; 32 bits write the same file.
  const Bitmap picture = Pattern(2, 2);
  const Bytes square = Written(picture);
  ASSERT_EQ(square.size(), 238u);
  EXPECT_EQ(Le(square, 4), 52u);
  EXPECT_EQ(Bytes(square.begin() + 40, square.begin() + 52), tiff_test::RgbSamples(picture));
  Bitmap wide(2, 2, PixelFormat::Bits32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      std::memcpy(wide.ScanLine(y) + 4 * x, picture.ScanLine(y) + 3 * x, 3);
      wide.ScanLine(y)[4 * x + 3] = 0x99;
    }
  EXPECT_EQ(Written(wide), square);
}

TEST(TiffWriter, PaletteLayout) {
  Bitmap eight(4, 2, PixelFormat::Bits8);
  std::vector<PaletteEntry> table(256);
  for (int i = 0; i < 256; ++i)
    table[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 0x40};
  eight.SetColorTable(table);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) eight.ScanLine(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  const Bytes bytes = Written(eight);
  ASSERT_EQ(bytes.size(), 1764u);
  EXPECT_EQ(Le(bytes, 4), 1578u);
  EXPECT_EQ(Le(bytes, 8 + 2 * 7, 2), 0x4000u);          // red of colour 7
  EXPECT_EQ(Le(bytes, 8 + 512 + 2 * 7, 2), 248u << 8);  // green
  EXPECT_EQ(Le(bytes, 8 + 1024 + 2 * 7, 2), 7u << 8);   // blue
  EXPECT_EQ(Bytes(bytes.begin() + 1570, bytes.begin() + 1578), (Bytes{0, 1, 2, 3, 10, 11, 12, 13}));
  ExpectFixedPieces(bytes, 1544, 1560);
  // clang-format off
  ExpectDirectory(bytes, {
      {254, 4, 1, 0}, {256, 3, 1, 4}, {257, 3, 1, 2}, {258, 3, 1, 8},
      {259, 3, 1, 1}, {262, 3, 1, 3}, {273, 4, 1, 1570}, {277, 3, 1, 1},
      {278, 4, 1, 2}, {279, 4, 1, 8}, {282, 5, 1, 1544}, {283, 5, 1, 1552},
      {296, 3, 1, 2}, {305, 2, 10, 1560}, {320, 3, 768, 8}});
  // clang-format on

  // Four bits: the width rounded down to 4, two bytes a row, pieces after a 96-byte map.
  Bitmap four(5, 3, PixelFormat::Bits4);
  for (int y = 0; y < 3; ++y) std::memset(four.ScanLine(y), 0x12 * (y + 1), 3);
  const Bytes fours = Written(four);
  ASSERT_EQ(fours.size(), 130 + 6 + 186u);
  EXPECT_EQ(Le(fours, 4), 136u);
  EXPECT_EQ(Bytes(fours.begin() + 130, fours.begin() + 136),
            (Bytes{0x12, 0x12, 0x24, 0x24, 0x36, 0x36}));
  ExpectFixedPieces(fours, 104, 120);
  EXPECT_EQ(Le(fours, 136 + 2 + 12 + 8), 4u);  // ImageWidth
}

TEST(TiffWriter, BilevelLayout) {
  Bitmap bits(9, 2, PixelFormat::Bits1);
  bits.ScanLine(0)[0] = 0xA5, bits.ScanLine(0)[1] = 0x80;
  bits.ScanLine(1)[0] = 0x0F, bits.ScanLine(1)[1] = 0x00;
  const Bytes bytes = Written(bits);
  ASSERT_EQ(bytes.size(), 208 + 4u);
  EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 12), (Bytes{0xA5, 0x80, 0x0F, 0x00}));
  ExpectFixedPieces(bytes, 12, 28);
  // clang-format off
  ExpectDirectory(bytes, {
      {254, 4, 1, 0}, {256, 3, 1, 9}, {257, 3, 1, 2}, {258, 3, 1, 1},
      {259, 3, 1, 1}, {262, 3, 1, 1}, {273, 4, 1, 8}, {277, 3, 1, 1},
      {278, 4, 1, 2}, {279, 4, 1, 4}, {282, 5, 1, 12}, {283, 5, 1, 20},
      {296, 3, 1, 2}, {305, 2, 10, 28}});
  // clang-format on
}

TEST(TiffWriter, SizesBeyondShortAndFourGigabytes) {
  const Bytes wide = Written(Bitmap(70000, 1));
  const std::uint32_t at = Le(wide, 4);
  EXPECT_EQ(Le(wide, at + 2 + 12 + 2, 2), 4u);  // ImageWidth as a LONG
  EXPECT_EQ(Le(wide, at + 2 + 12 + 8), 70000u);
  EXPECT_EQ(Le(wide, at + 2 + 24 + 2, 2), 3u);  // ImageLength still a SHORT
  EXPECT_EQ(TiffFileSize(PixelFormat::Bits24, 70000, 1), wide.size());
  // WriteTiff refuses a Bitmap whose file passes 4 GiB; too large to make in a test.
  EXPECT_EQ(TiffFileSize(PixelFormat::Bits8, 4, 2), 1764u);
  EXPECT_EQ(TiffFileSize(PixelFormat::Bits24, 37837, 37837), 226 + 3ull * 37837 * 37837);
  EXPECT_GT(TiffFileSize(PixelFormat::Bits24, 37838, 37838), 0xFFFFFFFFull);
}

using TiffWriterFiles = testing::TempFolderTest;

TEST_F(TiffWriterFiles, FailuresRaiseErrorsAndKeepTheOlderFile) {
  const std::string nowhere = Path("no/such/folder.tif");
  EXPECT_EQ(testing::ErrorOf([&] { SaveTiffFile(nowhere, Pattern(1, 1)); }),
            "Cannot create file " + nowhere);

  const std::string name = Path("out.tif");
  SaveTiffFile(name, Pattern(1, 1));
  {
    testing::FileSizeLimit limit(200);
    EXPECT_THROW(SaveTiffFile(name, Pattern(40, 40)), Error);
  }
  EXPECT_EQ(testing::ReadBytes(name).size(), 229u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.tif"});
}

TEST_F(TiffWriterFiles, ReadBackByOurReaderAndLibtiff) {
  const bool libtiff = testing::HaveTool("tiffinfo") && testing::HaveTool("tiff2rgba");
  Bitmap palette(6, 3, PixelFormat::Bits8);
  std::vector<PaletteEntry> table(256);
  for (int i = 0; i < 256; ++i)
    table[i] = {static_cast<std::uint8_t>(i), 0x80, static_cast<std::uint8_t>(3 * i)};
  palette.SetColorTable(table);
  Bitmap bilevel(10, 3, PixelFormat::Bits1);
  bilevel.SetColorTable({{0, 0, 0}, {255, 255, 255}});
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) palette.ScanLine(y)[x] = static_cast<std::uint8_t>(40 * y + 7 * x);
    bilevel.ScanLine(y)[0] = static_cast<std::uint8_t>(0x5A + y);
    bilevel.ScanLine(y)[1] = 0xC0;
  }
  Bitmap picture = Pattern(7, 5);
  for (const Bitmap* bitmap : {&picture, &palette, &bilevel}) {
    SCOPED_TRACE(bitmap->BitsPerPixel());
    const std::string name = Path("out.tif");
    SaveTiffFile(name, *bitmap);
    if (libtiff) {
      const std::string report = Path("tiffinfo.txt");
      EXPECT_TRUE(testing::RunCommand("tiffinfo " + name + " >" + report + " 2>&1"));
      const std::vector<std::uint8_t> text = testing::ReadBytes(report);
      EXPECT_EQ(std::string(text.begin(), text.end()).find("Error"), std::string::npos);
    }
    // Our reader decodes RGB only; libtiff turns the others into RGB for it.
    std::string rgb = name;
    if (bitmap != &picture) {
      if (!libtiff) continue;
      rgb = Path("rgb.tif");
      ASSERT_TRUE(testing::RunCommand("tiff2rgba -n -c none " + name + " " + rgb + " 2>/dev/null"));
    }
    Bitmap expected = *bitmap;
    expected.SetPixelFormat(PixelFormat::Bits24);
    Bitmap loaded;
    testing::RecordingMessages messages;
    EXPECT_TRUE(LoadTiffFile(rgb, loaded, messages));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(testing::SamePixels(expected, loaded));
  }
  if (!libtiff) GTEST_SKIP() << "tiffinfo or tiff2rgba (Debian libtiff-tools) is missing";
}

}  // namespace
}  // namespace brumel
