// The PNG adapter: the writer's file, round trips, every colour type and depth the reader meets,
// compositing over white, hostile files, and the PngSuite.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "formats/png/png_unit.h"
#include "formats/png/png_unit_detail.h"
#include "image_test_support.h"

namespace brumel {
namespace {

using namespace brumel::testing;

// A PNG as the tests write it with libpng: raw rows as the file holds them (samples packed
// below 8 bits, big-endian at 16 bits), and the optional palette and transparency chunks.
struct TestPng {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> paletteAlpha;
  std::optional<png_color_16> transparent;
};

TestPng MakePng(int colorType, int bitDepth, int width, std::vector<std::vector<std::uint8_t>> rows,
                std::optional<png_color_16> transparent = std::nullopt) {
  TestPng png;
  png.colorType = colorType;
  png.bitDepth = bitDepth;
  png.width = width;
  png.height = static_cast<int>(rows.size());
  png.rows = std::move(rows);
  png.transparent = transparent;
  return png;
}

// Without a setjmp libpng aborts on an error, which only a broken test could cause.
void WriteTestPng(const std::string& path, const TestPng& png) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(write);
  png_init_io(write, file);
  png_set_IHDR(write, info, png.width, png.height, png.bitDepth, png.colorType,
               png.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  if (!png.palette.empty())
    png_set_PLTE(write, info, png.palette.data(), static_cast<int>(png.palette.size()));
  if (!png.paletteAlpha.empty())
    png_set_tRNS(write, info, png.paletteAlpha.data(), static_cast<int>(png.paletteAlpha.size()),
                 nullptr);
  if (png.transparent) {
    png_color_16 colour = *png.transparent;
    png_set_tRNS(write, info, nullptr, 0, &colour);
  }
  png_write_info(write, info);
  std::vector<png_bytep> rows;
  for (const auto& row : png.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(write, rows.data());
  png_write_end(write, nullptr);
  png_destroy_write_struct(&write, &info);
  std::fclose(file);
}

struct Chunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

std::uint32_t BigEndian(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

const std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// The chunks of a PNG file, each CRC checked; empty when the file isn't a sound PNG.
std::vector<Chunk> Chunks(const std::vector<std::uint8_t>& file) {
  std::vector<Chunk> chunks;
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return {};
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = BigEndian(&file[at]);
    if (at + 12 + length > file.size()) return {};
    Chunk chunk{std::string(reinterpret_cast<const char*>(&file[at + 4]), 4),
                std::vector<std::uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + length)};
    const uLong crc = crc32(0, &file[at + 4], 4 + length);
    if (crc != BigEndian(&file[at + 8 + length])) return {};
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  if (at != file.size()) return {};
  return chunks;
}

void AppendChunk(std::vector<std::uint8_t>& file, const std::string& type,
                 const std::vector<std::uint8_t>& data) {
  PutBigEndian(file, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  file.insert(file.end(), body.begin(), body.end());
  PutBigEndian(file,
               static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A PNG that declares the given size and then holds almost nothing.
std::vector<std::uint8_t> DeclaringPng(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> file(kSignature, kSignature + 8);
  std::vector<std::uint8_t> header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  AppendChunk(file, "IHDR", header);
  AppendChunk(file, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
  AppendChunk(file, "IEND", {});
  return file;
}

// Pseudo-random 24-bit pixels, which deflate can't shrink.
Bitmap Noise(int width, int height) {
  Bitmap bitmap(width, height);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i) {
      state = state * 1103515245u + 12345u;
      bitmap.ScanLine(y)[i] = static_cast<std::uint8_t>(state >> 16);
    }
  return bitmap;
}

class PngTest : public TempFolderTest {};

TEST_F(PngTest, RoundTripFromFileAndMemoryKeepsEveryPixel) {
  std::vector<Bitmap> pictures;
  for (int width = 1; width <= 6; ++width) pictures.push_back(Pattern(width, 5, width));
  pictures.push_back(Pattern(301, 123));
  // A palette bitmap is written with its colours; the caller's bitmap is not touched.
  Bitmap palette(5, 3, PixelFormat::Bits8);
  palette.SetColorTable({{1, 2, 3}, {200, 100, 50}});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) palette.ScanLine(y)[x] = static_cast<std::uint8_t>((x + y) % 2);
  pictures.push_back(palette);
  for (const Bitmap& picture : pictures) {
    const std::string name = Path("round.png");
    BitmapToPng(name, picture);
    Bitmap expected = picture;
    expected.SetPixelFormat(PixelFormat::Bits24);
    Bitmap back, fromMemory;
    PngToBitmap(name, back);
    const std::vector<std::uint8_t> bytes = ReadBytes(name);
    PngToBitmapFromMemory(bytes.data(), bytes.size(), fromMemory);
    EXPECT_TRUE(SamePixels(expected, back)) << picture.Width() << " x " << picture.Height();
    EXPECT_TRUE(SamePixels(expected, fromMemory)) << picture.Width() << " x " << picture.Height();
  }
  EXPECT_EQ(palette.Format(), PixelFormat::Bits8);
}

TEST_F(PngTest, WrittenFileHasTheFourChunksInOrder) {
  BitmapToPng(Path("one.png"), Pattern(1, 1));
  const std::vector<Chunk> chunks = Chunks(ReadBytes(Path("one.png")));
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[1].type, "tEXt");
  EXPECT_EQ(chunks[2].type, "IDAT");
  EXPECT_EQ(chunks[3].type, "IEND");
  // Width 1, height 1, 8 bits, RGB, deflate, standard filters, not interlaced.
  EXPECT_EQ(chunks[0].data, (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0}));
  const std::string text(chunks[1].data.begin(), chunks[1].data.end());
  EXPECT_EQ(text, std::string("Software") + '\0' + kPngSoftwareText);
  EXPECT_EQ(text.substr(9, 8), "PngUnit ");

  // A larger picture may have several IDAT chunks, still nothing else.
  BitmapToPng(Path("large.png"), Noise(400, 300));
  const std::vector<Chunk> large = Chunks(ReadBytes(Path("large.png")));
  ASSERT_GE(large.size(), 4u);
  EXPECT_EQ(large.front().type, "IHDR");
  EXPECT_EQ(large[1].type, "tEXt");
  for (std::size_t i = 2; i + 1 < large.size(); ++i) EXPECT_EQ(large[i].type, "IDAT") << i;
  EXPECT_EQ(large.back().type, "IEND");
}

TEST_F(PngTest, PngcheckAcceptsWrittenFiles) {
  if (!HaveTool("pngcheck")) GTEST_SKIP() << "pngcheck is not installed (Debian package pngcheck)";
  BitmapToPng(Path("one.png"), Pattern(1, 1));
  BitmapToPng(Path("pattern.png"), Pattern(97, 31));
  BitmapToPng(Path("noise.png"), Noise(256, 256));
  for (const char* name : {"one.png", "pattern.png", "noise.png"})
    EXPECT_TRUE(RunCommand("pngcheck -q " + Quoted(Path(name)))) << name;
}

// The unit's rows are in the file's red-green-blue order, with T (the inverted alpha) fourth.
TEST_F(PngTest, ReadPngFileGivesRgbRowsAndInvertedAlpha) {
  Bitmap picture(3, 2);
  for (int y = 0; y < 2; ++y) std::memset(picture.ScanLine(y), 0, 9);
  picture.ScanLine(0)[0] = 255;  // top left blue, bottom left red
  picture.ScanLine(1)[2] = 255;
  BitmapToPng(Path("blue.png"), picture);
  PngImageInfo info;
  ReadPngFile(Path("blue.png"), info);
  EXPECT_EQ(info.width, 3u);
  EXPECT_EQ(info.height, 2u);
  EXPECT_EQ(info.bitDepth, 8);
  EXPECT_EQ(info.colorType, PNG_COLOR_TYPE_RGB);
  ASSERT_EQ(info.bytesPerPixel, 3);
  ASSERT_EQ(info.pixels.size(), 18u);
  EXPECT_EQ(info.rows[1], info.pixels.data() + 9);
  EXPECT_EQ(std::vector<std::uint8_t>(info.pixels.begin(), info.pixels.begin() + 3),
            (std::vector<std::uint8_t>{0, 0, 255}));
  EXPECT_EQ(info.rows[1][0], 255);
  EXPECT_EQ(info.rows[1][2], 0);

  WriteTestPng(Path("alpha.png"),
               MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 8, 2, {{1, 2, 3, 255, 4, 5, 6, 0}}));
  ReadPngFile(Path("alpha.png"), info);
  ASSERT_EQ(info.bytesPerPixel, 4);
  EXPECT_EQ(info.pixels[3], 0);
  EXPECT_EQ(info.pixels[7], 255);
}

TEST_F(PngTest, WriterErrorsKeepTheOlderFileAndLeaveNothingBehind) {
  const std::string uncreatable = Path("no-such-folder/out.png");
  EXPECT_EQ(ErrorOf([&] { BitmapToPng(uncreatable, Pattern(2, 2)); }),
            "Error Opening File " + uncreatable + "!");
  EXPECT_FALSE(fs::exists(uncreatable));
  EXPECT_EQ(ErrorOf([&] { BitmapToPng(Path("empty.png"), Bitmap()); }),
            "Cannot write an empty picture (0 x 0) as " + Path("empty.png"));
  EXPECT_TRUE(Entries().empty());

  BitmapToPng(Path("out.png"), Pattern(20, 20, 1));
  BitmapToPng(Path("out.png"), Pattern(3, 4, 2));  // replaces it
  Bitmap back;
  PngToBitmap(Path("out.png"), back);
  EXPECT_TRUE(SamePixels(Pattern(3, 4, 2), back));
  const std::vector<std::uint8_t> before = ReadBytes(Path("out.png"));
  {
    FileSizeLimit limit(8192);
    EXPECT_EQ(ErrorOf([&] { BitmapToPng(Path("out.png"), Noise(200, 200)); }),
              "Error Writing PNG File!");
  }
  EXPECT_EQ(ReadBytes(Path("out.png")), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.png"});
}

TEST_F(PngTest, MissingFileRaisesTheOpeningErrorAndKeepsThePicture) {
  Bitmap target = Pattern(2, 2);
  const std::string name = Path("missing.png");
  EXPECT_EQ(ErrorOf([&] { PngToBitmap(name, target); }), "Error Opening File " + name + "!");
  EXPECT_EQ(ErrorOf([&] { PngToBitmap(folder_.string(), target); }),
            "Error Opening File " + folder_.string() + "!");
  EXPECT_TRUE(SamePixels(Pattern(2, 2), target));
}

// Every colour type reads as 8-bit blue-green-red: grey as three equal channels, 16 bits scaled
// with rounding, transparency composited over white whatever the target held before.
TEST_F(PngTest, EveryColourTypeAndDepthReadsAsEightBitOverWhite) {
  const auto grey = [](std::uint16_t value) {
    png_color_16 key{};
    key.gray = value;
    return key;
  };
  png_color_16 rgbKey{};
  rgbKey.red = 1;
  rgbKey.green = 2;
  rgbKey.blue = 3;
  struct Case {
    const char* name;
    TestPng png;
    std::vector<std::uint32_t> pixels;  // row by row, as many as given
  };
  const std::vector<Case> cases = {
      {"RGB", MakePng(PNG_COLOR_TYPE_RGB, 8, 2, {{10, 20, 30, 40, 50, 60}}), {0x0A141E, 0x28323C}},
      {"RGB 16 bits",
       MakePng(PNG_COLOR_TYPE_RGB, 16, 1, {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF}}),
       {(18u << 16) | (171u << 8) | 255u}},
      {"RGB keyed",
       MakePng(PNG_COLOR_TYPE_RGB, 8, 3, {{1, 2, 3, 4, 5, 6, 1, 2, 3}}, rgbKey),
       {0xFFFFFF, 0x040506, 0xFFFFFF}},
      // Opaque, transparent, black at alpha 128, and T = 191:
      // (191 x 255 + 64 x 200) / 255 = 241, (191 x 255 + 64 x 100) / 255 = 216, 191.
      {"RGBA",
       MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 8, 4,
               {{10, 20, 30, 255, 10, 20, 30, 0, 0, 0, 0, 128, 200, 100, 0, 64}}),
       {0x0A141E, 0xFFFFFF, 0x7F7F7F, (241u << 16) | (216u << 8) | 191u}},
      {"RGBA two rows",
       MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 8, 3,
               {{1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 255}, {4, 4, 4, 0, 5, 5, 5, 0, 6, 6, 6, 0}}),
       {0xFFFFFF, 0xFFFFFF, 0x030303, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
      {"grey 1", MakePng(PNG_COLOR_TYPE_GRAY, 1, 8, {{0b10000000}}), {0xFFFFFF, 0}},
      {"grey 2",
       MakePng(PNG_COLOR_TYPE_GRAY, 2, 8, {{0b00011011, 0}}),
       {0, 0x555555, 0xAAAAAA, 0xFFFFFF}},
      {"grey 4",
       MakePng(PNG_COLOR_TYPE_GRAY, 4, 8, {{0x0F, 0x70, 0, 0}}),
       {0, 0xFFFFFF, 0x777777, 0}},
      {"grey 8",
       MakePng(PNG_COLOR_TYPE_GRAY, 8, 8, {{0, 1, 127, 255, 0, 0, 0, 0}}),
       {0, 0x010101, 0x7F7F7F, 0xFFFFFF}},
      {"grey 16",
       MakePng(PNG_COLOR_TYPE_GRAY, 16, 8,
               {{0x12, 0x34, 0xFF, 0xFF, 0xAB, 0xCD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
       {0x121212, 0xFFFFFF, 0xABABAB, 0}},
      {"grey alpha",
       MakePng(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 3, {{0, 128, 50, 255, 50, 0}}),
       {0x7F7F7F, 0x323232, 0xFFFFFF}},
      {"grey alpha 16",
       MakePng(PNG_COLOR_TYPE_GRAY_ALPHA, 16, 3,
               {{0x12, 0x34, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}}),
       {0x121212, 0xFFFFFF}},
      {"grey 4 keyed",
       MakePng(PNG_COLOR_TYPE_GRAY, 4, 2, {{0x3A}}, grey(0xA)),
       {0x333333, 0xFFFFFF}},
  };
  for (const Case& c : cases) {
    WriteTestPng(Path("case.png"), c.png);
    Bitmap target = Pattern(2, 5);  // overlaps, and is smaller in one direction
    PngToBitmap(Path("case.png"), target);
    ASSERT_EQ(target.Format(), PixelFormat::Bits24) << c.name;
    ASSERT_EQ(target.Width(), c.png.width) << c.name;
    ASSERT_EQ(target.Height(), c.png.height) << c.name;
    for (std::size_t i = 0; i < c.pixels.size(); ++i)
      EXPECT_EQ(Rgb(target, static_cast<int>(i) % c.png.width, static_cast<int>(i) / c.png.width),
                c.pixels[i])
          << c.name << " pixel " << i;
  }
}

TEST_F(PngTest, PaletteFilesOfEveryDepthExpandAndTransparentEntriesAreWhite) {
  const std::vector<png_color> colours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  for (int depth : {1, 2, 4, 8}) {
    const int entries = depth == 1 ? 2 : 4;
    // Row 0: indices 0, 1, 0, 1 ... ; row 1: the last index everywhere.
    TestPng png = MakePng(PNG_COLOR_TYPE_PALETTE, depth, 8, {});
    for (int last : {0, 1}) {
      std::vector<std::uint8_t> row((8 * depth + 7) / 8, 0);
      for (int x = 0; x < 8; ++x)
        row[x * depth / 8] |=
            static_cast<std::uint8_t>((last ? entries - 1 : x % 2) << (8 - depth - x * depth % 8));
      png.rows.push_back(row);
    }
    png.height = 2;
    png.palette.assign(colours.begin(), colours.begin() + entries);
    WriteTestPng(Path("p.png"), png);
    Bitmap target = Pattern(8, 2);
    PngToBitmap(Path("p.png"), target);
    EXPECT_EQ(Rgb(target, 0, 0), 0xFF0000u) << depth;
    EXPECT_EQ(Rgb(target, 1, 0), 0x00FF00u) << depth;
    EXPECT_EQ(Rgb(target, 7, 1), depth == 1 ? 0x00FF00u : 0x090807u) << depth;

    // Entry 1 fully transparent, entry 0 half: over white, never over the previous picture.
    png.paletteAlpha = {128, 0};
    WriteTestPng(Path("t.png"), png);
    target = Pattern(8, 2);
    PngToBitmap(Path("t.png"), target);
    EXPECT_EQ(Rgb(target, 1, 0), 0xFFFFFFu) << depth;
    // T = 127: red (127 x 255 + 128 x 255) / 255 = 255, green and blue 127 x 255 / 255 = 127.
    EXPECT_EQ(Rgb(target, 0, 0), 0xFF7F7Fu) << depth;
    if (depth > 1) {
      EXPECT_EQ(Rgb(target, 7, 1), 0x090807u) << depth;
    }
  }
}

// Rows of big-endian 16-bit samples, as a 16-bit PNG holds them.
std::vector<std::vector<std::uint8_t>> BigEndianRows(const std::vector<std::vector<int>>& samples) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (const std::vector<int>& row : samples) {
    rows.emplace_back();
    for (const int sample : row) {
      rows.back().push_back(static_cast<std::uint8_t>(sample >> 8));
      rows.back().push_back(static_cast<std::uint8_t>(sample));
    }
  }
  return rows;
}

std::vector<int> SamplesOf(const Bitmap& bitmap, int y) {
  const std::uint16_t* line = bitmap.SampleLine<std::uint16_t>(y);
  return {line, line + 3 * bitmap.Width()};
}

TEST_F(PngTest, SixteenBitFilesKeepEverySampleAtDepth16) {
  const Bitmap picture = Pattern48(29, 7, 3);
  std::vector<std::vector<int>> rgb;
  for (int y = 0; y < picture.Height(); ++y) {
    rgb.emplace_back();
    for (int x = 0; x < picture.Width(); ++x)
      for (int c = 2; c >= 0; --c)
        rgb.back().push_back(picture.SampleLine<std::uint16_t>(y)[3 * x + c]);
  }
  WriteTestPng(Path("rgb.png"),
               MakePng(PNG_COLOR_TYPE_RGB, 16, picture.Width(), BigEndianRows(rgb)));
  Bitmap back;
  PngToBitmap(Path("rgb.png"), back, nullptr, SampleDepth::Bits16);
  EXPECT_TRUE(SameSamples(picture, back));
  // At depth 8 the same file is narrowed, as ever.
  PngToBitmap(Path("rgb.png"), back);
  EXPECT_EQ(back.Format(), PixelFormat::Bits24);
  EXPECT_EQ(back.ScanLine(6)[5], NarrowSample(picture.SampleLine<std::uint16_t>(6)[5]));

  // Grey is copied to the three channels; alpha composites over white at 16 bits:
  // (a x colour + (65535 - a) x 65535) / 65535, an opaque pixel kept, a clear one white.
  WriteTestPng(Path("grey.png"),
               MakePng(PNG_COLOR_TYPE_GRAY, 16, 3, BigEndianRows({{0, 1, 65534}})));
  PngToBitmap(Path("grey.png"), back, nullptr, SampleDepth::Bits16);
  EXPECT_EQ(SamplesOf(back, 0), (std::vector<int>{0, 0, 0, 1, 1, 1, 65534, 65534, 65534}));
  WriteTestPng(
      Path("alpha.png"),
      MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 16, 3,
              BigEndianRows({{1, 2, 3, 65535, 1000, 2000, 3000, 0, 300, 20000, 60000, 32768}})));
  PngToBitmap(Path("alpha.png"), back, nullptr, SampleDepth::Bits16);
  const auto over = [](long colour) {
    return static_cast<int>((32768 * colour + 32767 * 65535l) / 65535);
  };
  EXPECT_EQ(SamplesOf(back, 0),
            (std::vector<int>{3, 2, 1, 65535, 65535, 65535, over(60000), over(20000), over(300)}));
  // Files of 8 bits and below are read as at depth 8.
  WriteTestPng(Path("eight.png"), MakePng(PNG_COLOR_TYPE_GRAY, 8, 2, {{7, 250}}));
  PngToBitmap(Path("eight.png"), back, nullptr, SampleDepth::Bits16);
  EXPECT_EQ(back.Format(), PixelFormat::Bits24);
  EXPECT_EQ(Rgb(back, 1, 0), 0xfafafau);
}

TEST_F(PngTest, FortyEightBitBitmapsBecomeSixteenBitFilesThatReadBackExactly) {
  const Bitmap picture = Pattern48(97, 31);
  BitmapToPng(Path("deep.png"), picture);
  const std::vector<Chunk> chunks = Chunks(ReadBytes(Path("deep.png")));
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[1].type, "tEXt");
  // Width 97, height 31, 16 bits, RGB.
  EXPECT_EQ(chunks[0].data, (std::vector<std::uint8_t>{0, 0, 0, 97, 0, 0, 0, 31, 16, 2, 0, 0, 0}));
  Bitmap back;
  PngToBitmap(Path("deep.png"), back, nullptr, SampleDepth::Bits16);
  EXPECT_TRUE(SameSamples(picture, back));
  if (HaveTool("pngcheck")) {
    EXPECT_TRUE(RunCommand("pngcheck -q " + Quoted(Path("deep.png"))));
  }
  // ImageMagick's own decoding: red, green, blue, big-endian, exactly the samples.
  if (HaveTool("convert")) {
    ASSERT_TRUE(RunCommand("convert " + Quoted(Path("deep.png")) +
                           " -depth 16 -endian MSB rgb:" + Quoted(Path("deep.rgb"))));
    EXPECT_EQ(ReadBytes(Path("deep.rgb")), RawRgb16(picture));
  }
}

TEST_F(PngTest, ASixteenBitFileThatEndsEarlyIsGreyAfterItsLastRow) {
  // Noise, so that the file is long and cut in the middle of its rows.
  Bitmap picture(64, 400, PixelFormat::Bits48);
  std::uint32_t state = 7;
  for (int y = 0; y < picture.Height(); ++y)
    for (int i = 0; i < 3 * picture.Width(); ++i) {
      state = state * 1103515245u + 12345u;
      picture.SampleLine<std::uint16_t>(y)[i] = static_cast<std::uint16_t>(state >> 16);
    }
  BitmapToPng(Path("deep.png"), picture);
  std::vector<std::uint8_t> bytes = ReadBytes(Path("deep.png"));
  bytes.resize(bytes.size() / 2);
  WriteBytes(Path("half.png"), bytes);
  Bitmap back;
  std::string damage;
  PngToBitmap(Path("half.png"), back, &damage, SampleDepth::Bits16);
  EXPECT_NE(damage.find("the rest is grey"), std::string::npos) << damage;
  ASSERT_EQ(back.Format(), PixelFormat::Bits48);
  EXPECT_EQ(SamplesOf(back, 0), SamplesOf(picture, 0)) << damage;
  EXPECT_EQ(SamplesOf(back, 399), std::vector<int>(3 * 64, 128 * 257));
}

TEST_F(PngTest, DrawingOntoATargetCompositesWhereTheBufferCovers) {
  PngImageInfo info;
  info.width = 2;
  info.height = 1;
  info.bytesPerPixel = 4;
  ASSERT_TRUE(AllocPngBuffer(info));
  const std::uint8_t pixels[8] = {0, 0, 0, 255, 0, 0, 0, 0};  // transparent, then opaque black
  std::memcpy(info.pixels.data(), pixels, 8);
  Bitmap target = Pattern(3, 2);
  const Bitmap before = target;
  DrawPngBuffer(info, target, 2, 1);  // the second pixel falls outside
  EXPECT_EQ(Rgb(target, 2, 1), Rgb(before, 2, 1));
  DrawPngBuffer(info, target, 0, 0);
  EXPECT_EQ(Rgb(target, 0, 0), Rgb(before, 0, 0));
  EXPECT_EQ(Rgb(target, 1, 0), 0u);
}

TEST_F(PngTest, InterlacedFileReadsAsItsTwin) {
  for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
    TestPng png;
    png.colorType = colorType;
    png.width = 13;
    png.height = 11;
    const int channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
    for (int y = 0; y < png.height; ++y) {
      std::vector<std::uint8_t> row;
      for (int x = 0; x < png.width; ++x)
        for (int c = 0; c < channels; ++c)
          row.push_back(static_cast<std::uint8_t>(x * 19 + y * 7 + c * 50));
      png.rows.push_back(row);
    }
    WriteTestPng(Path("plain.png"), png);
    png.interlaced = true;
    WriteTestPng(Path("adam7.png"), png);
    Bitmap plain, adam7;
    PngToBitmap(Path("plain.png"), plain);
    PngToBitmap(Path("adam7.png"), adam7);
    EXPECT_TRUE(SamePixels(plain, adam7));
  }
}

TEST_F(PngTest, TruncatedFilesRaiseTheReadingErrorAndKeepThePicture) {
  BitmapToPng(Path("whole.png"), Noise(40, 30));
  const std::vector<std::uint8_t> whole = ReadBytes(Path("whole.png"));
  const std::vector<Chunk> chunks = Chunks(whole);
  ASSERT_EQ(chunks.back().type, "IEND");
  // Everything up to the end of the last IDAT chunk is needed (IEND is not read).
  const std::size_t needed = whole.size() - 12;
  const Bitmap before = Pattern(3, 3);
  for (std::size_t length = 0; length < needed; length += length < 100 ? 1 : 37) {
    std::vector<std::uint8_t> part(whole.begin(), whole.begin() + length);
    WriteBytes(Path("part.png"), part);
    Bitmap target = before;
    EXPECT_EQ(ErrorOf([&] { PngToBitmap(Path("part.png"), target); }), "Error Reading File!")
        << length;
    EXPECT_TRUE(SamePixels(before, target)) << length;
    EXPECT_EQ(ErrorOf([&] { PngToBitmapFromMemory(part.data(), part.size(), target); }),
              "Error Reading File!")
        << length;
  }
}

TEST_F(PngTest, CorruptFilesRaiseTheReadingError) {
  BitmapToPng(Path("good.png"), Pattern(10, 10));
  std::vector<std::uint8_t> bytes = ReadBytes(Path("good.png"));
  std::vector<std::uint8_t> badCrc = bytes;
  badCrc[8 + 8 + 3] ^= 1;  // a bit of the width, so the IHDR CRC fails
  std::vector<std::uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0};
  Bitmap target = Pattern(2, 2);
  for (const auto& file : {badCrc, notPng, std::vector<std::uint8_t>{}}) {
    WriteBytes(Path("bad.png"), file);
    EXPECT_EQ(ErrorOf([&] { PngToBitmap(Path("bad.png"), target); }), "Error Reading File!");
  }
  EXPECT_EQ(ErrorOf([&] { PngToBitmapFromMemory(nullptr, 0, target); }), "Error Reading File!");
  EXPECT_TRUE(SamePixels(Pattern(2, 2), target));
}

TEST_F(PngTest, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  // Beyond libpng's own limit; beyond kMaxPictureBytes; within it but far more than the few
  // bytes of the file can expand to.
  for (const auto& [width, height] :
       std::vector<std::pair<std::uint32_t, std::uint32_t>>{{2000000, 2000000},
                                                            {0x7FFFFFFF, 0x7FFFFFFF},
                                                            {20000, 18000},
                                                            {10000, 10000},
                                                            {1000000, 100}}) {
    const std::vector<std::uint8_t> file = DeclaringPng(width, height);
    Bitmap target = Pattern(2, 2);
    EXPECT_EQ(ErrorOf([&] { PngToBitmapFromMemory(file.data(), file.size(), target); }),
              "Error Reading File!")
        << width << " x " << height;
    WriteBytes(Path("huge.png"), file);
    EXPECT_EQ(ErrorOf([&] { PngToBitmap(Path("huge.png"), target); }), "Error Reading File!")
        << width << " x " << height;
    EXPECT_TRUE(SamePixels(Pattern(2, 2), target));
  }
}

// The PngSuite: every file not starting with x matches its reference over white, interlaced
// files read as their twins, and every x file is refused.
class PngSuiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    suite_ = fs::path(BRUMEL_CONFORMANCE_DIR) / "pngsuite";
    if (!fs::is_directory(suite_ / "png"))
      GTEST_SKIP() << "PngSuite not found at " << suite_.string()
                   << " (the conformance set lives outside the repository)";
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(suite_ / "png"))
      if (entry.path().extension() == ".png") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path suite_;
};

TEST_F(PngSuiteTest, EveryFileMatchesItsReferenceOverWhite) {
  int checked = 0;
  for (const std::string& name : Names()) {
    if (name[0] == 'x') continue;
    const std::vector<std::uint8_t> reference =
        ReadBytes((suite_ / "ref" / (name + ".rgba")).string());
    Bitmap picture;
    const std::string error =
        ErrorOf([&] { PngToBitmap((suite_ / "png" / (name + ".png")).string(), picture); });
    ASSERT_EQ(error, "") << name;
    ASSERT_EQ(reference.size(), 4u * picture.Width() * picture.Height()) << name;
    const int tolerance = name.substr(6, 2) == "16" ? 1 : 0;
    int worst = 0;
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x) {
        const std::uint8_t* rgba =
            &reference[4 * (static_cast<std::size_t>(y) * picture.Width() + x)];
        const int t = 255 - rgba[3];
        for (int c = 0; c < 3; ++c) {
          const int expected = (t * 255 + (255 - t) * rgba[c]) / 255;
          const int actual = picture.ScanLine(y)[3 * x + 2 - c];
          worst = std::max(worst, std::abs(expected - actual));
        }
      }
    EXPECT_LE(worst, tolerance) << name;
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST_F(PngSuiteTest, InterlacedFilesReadAsTheirTwins) {
  const std::vector<std::string> names = Names();
  int pairs = 0;
  for (const std::string& name : names) {
    if (name[0] == 'x' || name[3] != 'i') continue;
    std::string twin = name;
    twin[3] = 'n';
    if (!std::binary_search(names.begin(), names.end(), twin)) continue;
    Bitmap interlaced, plain;
    PngToBitmap((suite_ / "png" / (name + ".png")).string(), interlaced);
    PngToBitmap((suite_ / "png" / (twin + ".png")).string(), plain);
    EXPECT_TRUE(SamePixels(plain, interlaced)) << name;
    ++pairs;
  }
  EXPECT_GT(pairs, 30);
}

TEST_F(PngSuiteTest, EveryCorruptFileRaisesTheReadingError) {
  int corrupt = 0;
  for (const std::string& name : Names()) {
    if (name[0] != 'x') continue;
    Bitmap target = Pattern(2, 2);
    const std::string file = (suite_ / "png" / (name + ".png")).string();
    EXPECT_EQ(ErrorOf([&] { PngToBitmap(file, target); }), "Error Reading File!") << name;
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    EXPECT_EQ(ErrorOf([&] { PngToBitmapFromMemory(bytes.data(), bytes.size(), target); }),
              "Error Reading File!")
        << name;
    EXPECT_TRUE(SamePixels(Pattern(2, 2), target)) << name;
    ++corrupt;
  }
  EXPECT_GT(corrupt, 10);
}

}  // namespace
}  // namespace brumel
