// Windows bitmap files: every header, depth and compression the reader takes, built here byte
// by byte and by ImageMagick; the writer's file; hostile files with the exact error text.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "formats/bmp/bmp_codec.h"
#include "image_test_support.h"
#include "platform/byte_order.h"

namespace brumel {
namespace {

using namespace brumel::testing;

const char kInvalid[] = "Bitmap image is not valid";

// A bitmap file as the tests lay it out: the fields, then the pixel data as it lies in the file.
struct BmpLayout {
  std::uint32_t headerSize = 40;  // 12, 40, 52, 56, 108, 124 (or anything, to break it)
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top-down
  int planes = 1;
  int bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<PaletteEntry> palette;
  std::vector<std::uint32_t> masks;  // written after a 40-byte header, else inside the header
  std::vector<std::uint8_t> pixels;
  std::optional<std::uint32_t> pixelOffset;  // else right after the palette
  std::optional<std::uint32_t> offsetField;  // written over the pixel offset at the end
  std::string magic = "BM";
};

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout) {
  const bool core = layout.headerSize == 12;
  const std::size_t headerEnd = 14 + layout.headerSize;
  const std::size_t masksAfter = layout.headerSize == 40 ? 4 * layout.masks.size() : 0;
  const std::size_t paletteAt = headerEnd + masksAfter;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t pixelsAt = layout.pixelOffset.value_or(
      static_cast<std::uint32_t>(paletteAt + entry * layout.palette.size()));
  std::vector<std::uint8_t> file(std::max(pixelsAt, paletteAt + entry * layout.palette.size()), 0);
  file[0] = static_cast<std::uint8_t>(layout.magic[0]);
  file[1] = static_cast<std::uint8_t>(layout.magic[1]);
  Put32(&file[10], static_cast<std::uint32_t>(pixelsAt), true);
  Put32(&file[14], layout.headerSize, true);
  if (core) {
    Put16(&file[18], static_cast<std::uint16_t>(layout.width), true);
    Put16(&file[20], static_cast<std::uint16_t>(layout.height), true);
    Put16(&file[22], layout.planes, true);
    Put16(&file[24], layout.bitCount, true);
  } else if (layout.headerSize >= 40) {
    Put32(&file[18], static_cast<std::uint32_t>(layout.width), true);
    Put32(&file[22], static_cast<std::uint32_t>(layout.height), true);
    Put16(&file[26], layout.planes, true);
    Put16(&file[28], layout.bitCount, true);
    Put32(&file[30], layout.compression, true);
    Put32(&file[34], static_cast<std::uint32_t>(layout.pixels.size()), true);
    Put32(&file[46], layout.colorsUsed, true);
    for (std::size_t i = 0; i < layout.masks.size(); ++i)
      if (layout.headerSize == 40 || 40 + 4 * i + 4 <= layout.headerSize)
        Put32(&file[54 + 4 * i], layout.masks[i], true);
  }
  for (std::size_t i = 0; i < layout.palette.size(); ++i) {
    file[paletteAt + entry * i] = layout.palette[i].blue;
    file[paletteAt + entry * i + 1] = layout.palette[i].green;
    file[paletteAt + entry * i + 2] = layout.palette[i].red;
  }
  file.resize(pixelsAt);
  file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
  Put32(&file[2], static_cast<std::uint32_t>(file.size()), true);
  if (layout.offsetField) Put32(&file[10], *layout.offsetField, true);
  return file;
}

std::vector<PaletteEntry> Palette(int count) {
  std::vector<PaletteEntry> palette;
  for (int i = 0; i < count; ++i)
    palette.push_back({static_cast<std::uint8_t>(i * 37 + 5),
                       static_cast<std::uint8_t>(255 - i * 11), static_cast<std::uint8_t>(i * 91)});
  return palette;
}

// Rows of palette indices (top row first) packed as the file holds them: bottom-up unless
// topDown, padded to 4 bytes.
std::vector<std::uint8_t> PackIndices(const std::vector<std::vector<int>>& grid, int bits,
                                      bool topDown) {
  std::vector<std::uint8_t> out;
  const std::size_t width = grid[0].size();
  const std::size_t stride = (width * bits + 31) / 32 * 4;
  for (std::size_t r = 0; r < grid.size(); ++r) {
    const auto& row = grid[topDown ? r : grid.size() - 1 - r];
    std::vector<std::uint8_t> bytes(stride, 0);
    for (std::size_t x = 0; x < width; ++x)
      bytes[x * bits / 8] |= static_cast<std::uint8_t>(row[x] << (8 - bits - x * bits % 8));
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

// The 24-bit picture the grid of indices shows.
Bitmap Expected(const std::vector<std::vector<int>>& grid,
                const std::vector<PaletteEntry>& palette) {
  Bitmap bitmap(static_cast<int>(grid[0].size()), static_cast<int>(grid.size()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const PaletteEntry& c = palette[static_cast<std::size_t>(grid[y][x])];
      bitmap.ScanLine(y)[3 * x] = c.blue;
      bitmap.ScanLine(y)[3 * x + 1] = c.green;
      bitmap.ScanLine(y)[3 * x + 2] = c.red;
    }
  return bitmap;
}

std::vector<std::vector<int>> IndexGrid(int width, int height, int colours) {
  std::vector<std::vector<int>> grid(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) grid[y].push_back((x * 3 + y * 5 + x * y) % colours);
  return grid;
}

Bitmap Decode(const std::vector<std::uint8_t>& file) {
  Bitmap bitmap;
  DecodeBmp(file.data(), file.size(), bitmap);
  return bitmap;
}

Bitmap As24(Bitmap bitmap) {
  bitmap.SetPixelFormat(PixelFormat::Bits24);
  return bitmap;
}

std::string DecodeError(const std::vector<std::uint8_t>& file) {
  Bitmap target = Pattern(2, 2);
  const std::string error = ErrorOf([&] { DecodeBmp(file.data(), file.size(), target); });
  if (!error.empty() && !SamePixels(Pattern(2, 2), target)) return "target changed: " + error;
  return error;
}

// 24-bit rows (top row first) of the picture, bottom-up unless topDown, padded.
std::vector<std::uint8_t> Pack24(const Bitmap& picture, bool topDown) {
  std::vector<std::uint8_t> out;
  const std::size_t stride = (static_cast<std::size_t>(picture.Width()) * 24 + 31) / 32 * 4;
  for (int r = 0; r < picture.Height(); ++r) {
    const std::uint8_t* row = picture.ScanLine(topDown ? r : picture.Height() - 1 - r);
    std::vector<std::uint8_t> bytes(row, row + 3 * picture.Width());
    bytes.resize(stride, 0);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

// A valid 8-bit file to break in the hostile tests: 5 x 3, four colours.
BmpLayout EightBit() {
  BmpLayout layout;
  layout.width = 5;
  layout.height = 3;
  layout.bitCount = 8;
  layout.palette = Palette(4);
  layout.colorsUsed = 4;
  layout.pixels = PackIndices(IndexGrid(5, 3, 4), 8, false);
  return layout;
}

class BmpTest : public TempFolderTest {};

TEST_F(BmpTest, PaletteDepthsUnderEveryHeader) {
  for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u})
    for (int bits : {1, 4, 8}) {
      BmpLayout layout;
      layout.headerSize = header;
      layout.bitCount = bits;
      layout.width = 13;
      layout.height = 5;
      layout.palette = Palette(1 << bits);
      const auto grid = IndexGrid(13, 5, 1 << bits);
      layout.pixels = PackIndices(grid, bits, false);
      const Bitmap picture = Decode(BuildBmp(layout));
      EXPECT_EQ(picture.BitsPerPixel(), bits) << header << " " << bits;
      EXPECT_EQ(picture.ColorTable().size(), std::size_t{1} << bits);
      EXPECT_TRUE(SamePixels(Expected(grid, layout.palette), As24(picture)))
          << header << " " << bits;
    }
}

TEST_F(BmpTest, TwentyFourBitsBottomUpAndTopDown) {
  const Bitmap source = Pattern(7, 4);
  for (std::uint32_t header : {12u, 40u, 108u, 124u})
    for (bool topDown : {false, true}) {
      if (header == 12 && topDown) continue;  // the core header has no sign
      BmpLayout layout;
      layout.headerSize = header;
      layout.width = 7;
      layout.height = topDown ? -4 : 4;
      layout.pixels = Pack24(source, topDown);
      const Bitmap picture = Decode(BuildBmp(layout));
      EXPECT_EQ(picture.Format(), PixelFormat::Bits24);
      EXPECT_TRUE(SamePixels(source, picture)) << header << " " << topDown;
    }
  // A top-down palette file too.
  BmpLayout layout = EightBit();
  layout.height = -3;
  layout.pixels = PackIndices(IndexGrid(5, 3, 4), 8, true);
  EXPECT_TRUE(
      SamePixels(Expected(IndexGrid(5, 3, 4), layout.palette), As24(Decode(BuildBmp(layout)))));
}

// The value of an n-bit channel at 8 bits.
std::uint8_t Scaled(std::uint32_t value, int bits) {
  if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
  return static_cast<std::uint8_t>(std::lround(value * 255.0 / ((1 << bits) - 1)));
}

TEST_F(BmpTest, SixteenAndThirtyTwoBitsWithAndWithoutBitFields) {
  struct Case {
    const char* name;
    std::uint32_t header;
    int bits;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;   // what the file says (none for BI_RGB)
    std::array<std::uint32_t, 3> used;  // what the pixels mean
  };
  const std::vector<Case> cases = {
      {"555", 40, 16, 0, {}, {0x7C00, 0x03E0, 0x001F}},
      {"565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F}},
      {"444 alpha", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x0F00, 0x00F0, 0x000F}},
      {"565 in V4", 108, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F}},
      {"BGRX", 40, 32, 0, {}, {0xFF0000, 0x00FF00, 0x0000FF}},
      {"BGRX in V5", 124, 32, 0, {0x1, 0x2, 0x4}, {0xFF0000, 0x00FF00, 0x0000FF}},
      {"10-10-10",
       40,
       32,
       3,
       {0x3FF00000, 0x000FFC00, 0x000003FF},
       {0x3FF00000, 0x000FFC00, 0x000003FF}},
      {"RGBA in V5",
       124,
       32,
       3,
       {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
       {0x000000FF, 0x0000FF00, 0x00FF0000}},
      {"V3 header",
       56,
       32,
       3,
       {0xFF000000, 0x00FF0000, 0x0000FF00, 0xFF},
       {0xFF000000, 0x00FF0000, 0x0000FF00}},
  };
  for (const Case& c : cases) {
    BmpLayout layout;
    layout.headerSize = c.header;
    layout.bitCount = c.bits;
    layout.compression = c.compression;
    layout.masks = c.masks;
    layout.width = 5;
    layout.height = 3;
    Bitmap expected(5, 3);
    std::uint32_t state = 7;
    const std::size_t stride = (5u * c.bits + 31) / 32 * 4;
    for (int r = 0; r < 3; ++r) {  // file rows, bottom-up
      std::vector<std::uint8_t> row(stride, 0);
      for (int x = 0; x < 5; ++x) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t pixel = c.bits == 16 ? state >> 16 : state;
        for (int b = 0; b < c.bits / 8; ++b)
          row[x * c.bits / 8 + b] = static_cast<std::uint8_t>(pixel >> (8 * b));
        for (int channel = 0; channel < 3; ++channel) {
          const std::uint32_t mask = c.used[channel];
          const int shift = std::countr_zero(mask);
          expected.ScanLine(2 - r)[3 * x + 2 - channel] =
              Scaled((pixel & mask) >> shift, std::popcount(mask));
        }
      }
      layout.pixels.insert(layout.pixels.end(), row.begin(), row.end());
    }
    const Bitmap picture = Decode(BuildBmp(layout));
    EXPECT_EQ(picture.Format(),
              c.bits == 32 && c.compression == 0 ? PixelFormat::Bits32 : PixelFormat::Bits24)
        << c.name;
    EXPECT_TRUE(SamePixels(expected, As24(picture))) << c.name;
  }
}

// An RLE8 or RLE4 file of the given codes.
BmpLayout Rle(int bits, int width, int height, int colours, std::vector<std::uint8_t> codes) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bits;
  layout.compression = bits == 8 ? 1 : 2;
  layout.palette = Palette(colours);
  layout.colorsUsed = static_cast<std::uint32_t>(colours);
  layout.pixels = std::move(codes);
  return layout;
}

// 1 1 1, absolute 2 3 4 (padded), end of line; 5 5, delta 2 right 1 up; 6 6, end of line;
// 7 x 6, end of bitmap.
const std::vector<std::uint8_t> kRle8Codes = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 5,
                                              0, 2, 2, 1, 2, 6, 0, 0, 6, 7, 0, 1};

TEST_F(BmpTest, RleRunsAbsoluteRunsDeltasAndEdges) {
  struct Case {
    const char* name;
    BmpLayout layout;
    std::vector<std::vector<int>> grid;  // top row first
  };
  const std::vector<Case> cases = {
      {"RLE8",
       Rle(8, 6, 4, 8, kRle8Codes),
       {{7, 7, 7, 7, 7, 7}, {0, 0, 0, 0, 6, 6}, {5, 5, 0, 0, 0, 0}, {1, 1, 1, 2, 3, 4}}},
      {"RLE8 ending at once", Rle(8, 6, 2, 8, {0, 1}), {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}},
      // 1 2 1 2 1 2 1, end of line; absolute 3 4 5 6 7 (padded), 0 15, end of line;
      // 10 0 10, end of bitmap.
      {"RLE4",
       Rle(4, 7, 3, 16, {7, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 2, 0x0F, 0, 0, 3, 0xA0, 0, 1}),
       {{10, 0, 10, 0, 0, 0, 0}, {3, 4, 5, 6, 7, 0, 15}, {1, 2, 1, 2, 1, 2, 1}}},
      // 1 1 1 1 2 (and a 2 past the edge), end of line; absolute 3 x 7 (two past the edge);
      // a run and a delta wholly past the edge, end of bitmap.
      {"RLE8 past the right edge",
       Rle(8, 5, 2, 4, {4, 1, 2, 2, 0, 0, 0, 7, 3, 3, 3, 3, 3, 3, 3, 0, 9, 1, 0, 2, 9, 0, 0, 1}),
       {{3, 3, 3, 3, 3}, {1, 1, 1, 1, 2}}},
      {"RLE4 past the right edge",
       Rle(4, 5, 2, 4, {7, 0x12, 0, 0, 0, 1}),
       {{0, 0, 0, 0, 0}, {1, 2, 1, 2, 1}}},
  };
  for (const Case& c : cases) {
    const Bitmap picture = Decode(BuildBmp(c.layout));
    EXPECT_EQ(picture.BitsPerPixel(), c.layout.bitCount) << c.name;
    EXPECT_TRUE(SamePixels(Expected(c.grid, c.layout.palette), As24(picture))) << c.name;
  }
}

TEST_F(BmpTest, PalettesSmallerThanTheDepthAllows) {
  // From the colours-used field.
  BmpLayout used;
  used.width = 9;
  used.height = 2;
  used.bitCount = 8;
  used.palette = Palette(3);
  used.colorsUsed = 3;
  used.pixels = PackIndices(IndexGrid(9, 2, 3), 8, false);
  Bitmap picture = Decode(BuildBmp(used));
  EXPECT_EQ(picture.ColorTable().size(), 3u);
  EXPECT_TRUE(SamePixels(Expected(IndexGrid(9, 2, 3), used.palette), As24(picture)));

  // From the room between the header and the pixels (colours-used 0), also in a core file.
  for (std::uint32_t header : {12u, 40u}) {
    BmpLayout room;
    room.headerSize = header;
    room.width = 4;
    room.height = 2;
    room.bitCount = 4;
    room.palette = Palette(5);
    room.pixels = PackIndices(IndexGrid(4, 2, 5), 4, false);
    picture = Decode(BuildBmp(room));
    EXPECT_EQ(picture.ColorTable().size(), 5u) << header;
    EXPECT_TRUE(SamePixels(Expected(IndexGrid(4, 2, 5), room.palette), As24(picture))) << header;
  }

  // A colours-used count beyond the depth is read as the depth's.
  BmpLayout many = used;
  many.bitCount = 1;
  many.palette = Palette(2);
  many.colorsUsed = 200;
  many.pixels = PackIndices(IndexGrid(9, 2, 2), 1, false);
  picture = Decode(BuildBmp(many));
  EXPECT_EQ(picture.ColorTable().size(), 2u);
}

// An empty picture reads, but is never written: a file of width or height 0 is no picture.
TEST_F(BmpTest, EmptyPicturesAreReadButNotWritten) {
  BmpLayout layout;
  layout.width = 0;
  layout.height = 5;
  Bitmap picture = Pattern(2, 2);
  DecodeBmp(BuildBmp(layout).data(), BuildBmp(layout).size(), picture);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(ErrorOf([&] { SaveBmpFile(Path("empty.bmp"), Bitmap()); }),
            "Cannot write an empty picture (0 x 0) as " + Path("empty.bmp"));
  EXPECT_EQ(ErrorOf([&] { SaveBmpFile(Path("wide.bmp"), Bitmap(100, 0)); }),
            "Cannot write an empty picture (100 x 0) as " + Path("wide.bmp"));
  EXPECT_FALSE(fs::exists(Path("empty.bmp")));
  EXPECT_FALSE(fs::exists(Path("wide.bmp")));
}

TEST_F(BmpTest, WrittenFileHasTheFiftyFourByteHeaderAndPaddedBottomUpRows) {
  const Bitmap picture = Pattern(5, 3);
  SaveBmpFile(Path("out.bmp"), picture);
  const std::vector<std::uint8_t> file = ReadBytes(Path("out.bmp"));
  const std::size_t stride = 16;  // 15 bytes padded to 16
  ASSERT_EQ(file.size(), 54 + 3 * stride);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  // Size, reserved, pixel offset, header size, width, height (positive: bottom-up), planes and
  // bit count, BI_RGB, image size, colours used and important.
  const std::vector<std::pair<std::size_t, std::uint32_t>> fields = {
      {2, file.size()},   {6, 0},  {10, 54},         {14, 40}, {18, 5}, {22, 3},
      {26, 1 | 24 << 16}, {30, 0}, {34, 3 * stride}, {46, 0},  {50, 0}};
  for (const auto& [at, value] : fields)
    EXPECT_EQ(Get32(&file[at], true), value) << "offset " << at;
  for (int r = 0; r < 3; ++r) {
    const std::uint8_t* row = &file[54 + r * stride];
    EXPECT_EQ(std::memcmp(row, picture.ScanLine(2 - r), 15), 0) << r;
    EXPECT_EQ(row[15], 0) << r;
  }
}

TEST_F(BmpTest, RoundTripOfEveryWidthAndOfPaletteBitmaps) {
  for (int width = 1; width <= 6; ++width) {
    const Bitmap picture = Pattern(width, 3, width);
    SaveBmpFile(Path("w.bmp"), picture);
    Bitmap back;
    LoadBmpFile(Path("w.bmp"), back);
    EXPECT_TRUE(SamePixels(picture, back)) << width;
  }
  Bitmap palette(6, 2, PixelFormat::Bits1);
  palette.SetColorTable({{0, 0, 0}, {10, 20, 30}});
  SaveBmpFile(Path("p.bmp"), palette);
  Bitmap back;
  LoadBmpFile(Path("p.bmp"), back);
  EXPECT_EQ(back.Format(), PixelFormat::Bits24);
  EXPECT_TRUE(SamePixels(As24(palette), back));
}

TEST_F(BmpTest, WriterErrorsKeepTheOlderFileAndLeaveNothingBehind) {
  const std::string name = Path("no-such-folder/out.bmp");
  EXPECT_EQ(ErrorOf([&] { SaveBmpFile(name, Pattern(2, 2)); }), "Cannot create file " + name);
  SaveBmpFile(Path("out.bmp"), Pattern(30, 30));
  SaveBmpFile(Path("out.bmp"), Pattern(2, 3, 9));  // replaces it
  Bitmap back;
  LoadBmpFile(Path("out.bmp"), back);
  EXPECT_TRUE(SamePixels(Pattern(2, 3, 9), back));
  const std::vector<std::uint8_t> before = ReadBytes(Path("out.bmp"));
  {
    FileSizeLimit limit(8192);
    EXPECT_EQ(ErrorOf([&] { SaveBmpFile(Path("out.bmp"), Pattern(100, 100)); }),
              "Stream write error");
  }
  EXPECT_EQ(ReadBytes(Path("out.bmp")), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.bmp"});
}

TEST_F(BmpTest, MissingOrUnreadableFilesCannotBeOpened) {
  Bitmap target = Pattern(2, 2);
  const std::string missing = Path("missing.bmp");
  EXPECT_EQ(ErrorOf([&] { LoadBmpFile(missing, target); }), "Cannot open file " + missing);
  EXPECT_EQ(ErrorOf([&] { LoadBmpFile(folder_.string(), target); }),
            "Cannot open file " + folder_.string());
  WriteBytes(Path("short.bmp"), {'B', 'M', 0});
  EXPECT_EQ(ErrorOf([&] { LoadBmpFile(Path("short.bmp"), target); }), kInvalid);
  EXPECT_TRUE(SamePixels(Pattern(2, 2), target));
}

TEST_F(BmpTest, MalformedHeadersAreNotValid) {
  std::vector<std::pair<std::string, BmpLayout>> cases;
  const auto add = [&](const std::string& name, auto change) {
    BmpLayout layout = EightBit();
    change(layout);
    cases.emplace_back(name, layout);
  };
  add("magic BA", [](BmpLayout& s) { s.magic = "BA"; });
  add("magic bm", [](BmpLayout& s) { s.magic = "bm"; });
  add("header size 0", [](BmpLayout& s) { s.headerSize = 0; });
  add("header size 64 (OS/2 2.x)", [](BmpLayout& s) { s.headerSize = 64; });
  add("header size 200", [](BmpLayout& s) { s.headerSize = 200; });
  add("planes 0", [](BmpLayout& s) { s.planes = 0; });
  add("planes 2", [](BmpLayout& s) { s.planes = 2; });
  add("bit count 0", [](BmpLayout& s) { s.bitCount = 0; });
  add("bit count 2", [](BmpLayout& s) { s.bitCount = 2; });
  add("bit count 64", [](BmpLayout& s) { s.bitCount = 64; });
  add("16 bits in a core header", [](BmpLayout& s) {
    s.headerSize = 12;
    s.bitCount = 16;
    s.palette.clear();
  });
  add("JPEG compression", [](BmpLayout& s) { s.compression = 4; });
  add("PNG compression", [](BmpLayout& s) { s.compression = 5; });
  add("compression 7", [](BmpLayout& s) { s.compression = 7; });
  add("RLE4 at 8 bits", [](BmpLayout& s) { s.compression = 2; });
  add("RLE8 top-down", [](BmpLayout& s) {
    s.compression = 1;
    s.height = -3;
    s.pixels = {0, 1};
  });
  add("bit fields at 8 bits", [](BmpLayout& s) { s.compression = 3; });
  add("bit fields at 24 bits", [](BmpLayout& s) {
    s.bitCount = 24;
    s.compression = 3;
    s.masks = {0xFF0000, 0xFF00, 0xFF};
  });
  add("negative width", [](BmpLayout& s) { s.width = -5; });
  add("sizes overflowing 32 bits", [](BmpLayout& s) {
    s.width = 0x7FFFFFFF;
    s.height = 0x7FFFFFFF;
  });
  add("most negative height", [](BmpLayout& s) { s.height = INT32_MIN; });
  add("beyond kMaxPictureBytes", [](BmpLayout& s) {
    s.width = 20000;
    s.height = 20000;
  });
  add("more rows than the file holds", [](BmpLayout& s) { s.height = 4; });
  add("wider than the file holds", [](BmpLayout& s) { s.width = 9; });
  add("pixel offset past the end", [](BmpLayout& s) { s.offsetField = 5000; });
  add("pixel offset inside the header", [](BmpLayout& s) { s.pixelOffset = 20; });
  add("no room for a palette", [](BmpLayout& s) { s.pixelOffset = 54; });
  add("colour index past the palette", [](BmpLayout& s) { s.pixels[2] = 4; });
  add("non-contiguous mask", [](BmpLayout& s) {
    s.bitCount = 16;
    s.compression = 3;
    s.palette.clear();
    s.masks = {0xF00F, 0x07E0, 0x001F};
    s.pixels.assign(3 * 12, 0);
  });
  add("16-bit mask beyond 16 bits", [](BmpLayout& s) {
    s.bitCount = 16;
    s.compression = 3;
    s.palette.clear();
    s.masks = {0x1F0000, 0x07E0, 0x001F};
    s.pixels.assign(3 * 12, 0);
  });
  for (const auto& [name, layout] : cases)
    EXPECT_EQ(DecodeError(BuildBmp(layout)), kInvalid) << name;

  // The palette's room given by the pixel offset of a 1-bit file holds no entry at all.
  BmpLayout none;
  none.bitCount = 1;
  none.width = 8;
  none.pixels = {0, 0, 0, 0};
  EXPECT_EQ(DecodeError(BuildBmp(none)), kInvalid);
}

TEST_F(BmpTest, BadRleIsNotValid) {
  const auto rle8 = [](std::vector<std::uint8_t> codes, int colours = 8) {
    return BuildBmp(Rle(8, 6, 2, colours, std::move(codes)));
  };
  const auto rle4 = [](std::vector<std::uint8_t> codes, int colours = 16) {
    return BuildBmp(Rle(4, 6, 2, colours, std::move(codes)));
  };
  const std::vector<std::tuple<std::string, std::vector<std::uint8_t>, std::string>> cases = {
      {"good RLE8", rle8({6, 1, 0, 0, 6, 1, 0, 1}), ""},
      {"good RLE4", rle4({6, 0x12, 0, 0, 6, 0x12, 0, 1}), ""},
      {"delta past the top", rle8({0, 2, 0, 3, 0, 1}), kInvalid},
      {"pixels past the last row", rle8({0, 0, 0, 0, 1, 1, 0, 1}), kInvalid},
      {"delta to the top, then pixels", rle8({0, 2, 0, 2, 1, 1, 0, 1}), kInvalid},
      {"no end of bitmap", rle8({6, 1, 0, 0, 6, 1, 0, 0}), kInvalid},
      {"ends inside a code", rle8({6, 1, 0}), kInvalid},
      {"ends inside a delta", rle8({0, 2, 1}), kInvalid},
      {"truncated absolute run", rle8({0, 5, 1, 2, 3}), kInvalid},
      {"absolute run without its pad", rle8({0, 3, 1, 2, 3}), kInvalid},
      {"run colour past the palette", rle8({2, 8, 0, 1}), kInvalid},
      {"absolute colour past the palette", rle8({0, 3, 1, 9, 1, 0, 0, 1}), kInvalid},
      {"no data at all", rle8({}), kInvalid},
      {"RLE4 high nibble past the palette", rle4({1, 0x50, 0, 1}, 4), kInvalid},
      {"RLE4 low nibble past the palette", rle4({2, 0x05, 0, 1}, 4), kInvalid},
      {"RLE4 absolute nibble past the palette", rle4({0, 3, 0x12, 0x70, 0, 1}, 4), kInvalid},
      {"RLE4 truncated absolute run", rle4({0, 6, 0x12, 0x34}), kInvalid},
      // Pixels past the right edge are dropped, but their colours must still be in the palette.
      {"past the edge", rle8({0, 2, 7, 0, 0, 1}), ""},
      {"absolute colour past the palette and the edge", rle8({0, 7, 1, 1, 1, 1, 1, 1, 9, 0, 0, 1}),
       kInvalid},
      {"run colour past the palette and the edge", rle8({4, 1, 3, 9, 0, 1}), kInvalid},
      // A one-pixel RLE4 run may carry any low nibble; an odd absolute run any last nibble.
      {"one-pixel RLE4 run", rle4({1, 0x1F, 0, 1}, 4), ""},
      {"odd RLE4 absolute run", rle4({0, 3, 0x12, 0x3F, 0, 1}, 4), ""},
  };
  for (const auto& [name, file, error] : cases) EXPECT_EQ(DecodeError(file), error) << name;
}

TEST_F(BmpTest, EveryTruncationIsNotValid) {
  std::vector<std::vector<std::uint8_t>> files = {BuildBmp(EightBit()),
                                                  BuildBmp(Rle(8, 6, 4, 8, kRle8Codes))};
  SaveBmpFile(Path("t.bmp"), Pattern(7, 5));
  files.push_back(ReadBytes(Path("t.bmp")));
  BmpLayout core;
  core.headerSize = 12;
  core.bitCount = 4;
  core.width = 3;
  core.height = 3;
  core.palette = Palette(16);
  core.pixels = PackIndices(IndexGrid(3, 3, 16), 4, false);
  files.push_back(BuildBmp(core));
  for (std::size_t f = 0; f < files.size(); ++f) {
    ASSERT_EQ(DecodeError(files[f]), "") << f;
    for (std::size_t length = 0; length < files[f].size(); ++length) {
      const std::vector<std::uint8_t> part(files[f].begin(), files[f].begin() + length);
      EXPECT_EQ(DecodeError(part), kInvalid) << f << " " << length;
    }
  }
}

// ImageMagick writes the files; its own decode of the same file is the reference.
class BmpImageMagickTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    if (!HaveTool("convert"))
      GTEST_SKIP() << "ImageMagick is not installed (Debian package imagemagick)";
  }
  // The picture as ImageMagick decodes the file: raw 8-bit RGB, top row first.
  Bitmap Reference(const std::string& file, int width, int height) {
    EXPECT_TRUE(
        RunCommand("convert " + Quoted(file) + " -depth 8 " + Quoted("rgb:" + Path("ref.rgb"))));
    const std::vector<std::uint8_t> rgb = ReadBytes(Path("ref.rgb"));
    Bitmap bitmap(width, height);
    if (rgb.size() != 3u * width * height) {
      ADD_FAILURE() << "reference of " << file << " has " << rgb.size() << " bytes";
      return bitmap;
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c)
          bitmap.ScanLine(y)[3 * x + c] =
              rgb[3 * (static_cast<std::size_t>(y) * width + x) + 2 - c];
    return bitmap;
  }
};

TEST_F(BmpImageMagickTest, EveryVariantImageMagickWrites) {
  // A picture with few colours, so that the palette variants keep all of them.
  Bitmap source(23, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 23; ++x) {
      const bool on = (x / 3 + y / 2) % 2 == 0;
      source.ScanLine(y)[3 * x] = on ? 200 : 10;
      source.ScanLine(y)[3 * x + 1] = static_cast<std::uint8_t>(on ? 50 : 240);
      source.ScanLine(y)[3 * x + 2] = static_cast<std::uint8_t>(x < 12 ? 30 : 130);
    }
  SaveBmpFile(Path("source.bmp"), source);
  const std::string in = Quoted(Path("source.bmp"));
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"v5-24.bmp", "-type TrueColor BMP:"},
      {"v3-24.bmp", "-type TrueColor BMP3:"},
      {"core-24.bmp", "-type TrueColor BMP2:"},
      {"v5-32.bmp", "-type TrueColorAlpha BMP:"},
      {"v3-8.bmp", "-type Palette BMP3:"},
      {"v3-rle8.bmp", "-type Palette -compress RLE BMP3:"},
      {"v5-rle8.bmp", "-type Palette -compress RLE BMP:"},
      {"core-8.bmp", "-type Palette BMP2:"},
      {"v3-4.bmp", "-colors 4 -type Palette BMP3:"},
      {"v3-1.bmp", "-monochrome BMP3:"},
      {"v5-565.bmp", "-define bmp:subtype=RGB565 BMP:"},
      {"v5-555.bmp", "-define bmp:subtype=RGB555 BMP:"},
      {"v5-8888.bmp", "-define bmp:subtype=ARGB8888 BMP:"},
  };
  for (const auto& [name, options] : variants) {
    const std::string file = Path(name);
    const std::size_t colon = options.rfind(' ');
    ASSERT_TRUE(RunCommand("convert " + in + " " + options.substr(0, colon) + " " +
                           Quoted(options.substr(colon + 1) + file)))
        << name;
    Bitmap picture;
    ASSERT_EQ(ErrorOf([&] { LoadBmpFile(file, picture); }), "") << name;
    const Bitmap reference = Reference(file, 23, 9);
    if (name == "v5-565.bmp" || name == "v5-555.bmp") {
      // ImageMagick widens 5 and 6 bits by repeating them, the reader rounds v x 255 / max.
      ASSERT_EQ(picture.Width(), 23) << name;
      EXPECT_LE(MaxDifference(reference, As24(picture)), 1) << name;
    } else {
      EXPECT_TRUE(SamePixels(reference, As24(picture))) << name;
    }
  }
}

TEST_F(BmpImageMagickTest, ImageMagickReadsTheWrittenFile) {
  const Bitmap picture = Pattern(17, 6);
  SaveBmpFile(Path("ours.bmp"), picture);
  EXPECT_TRUE(SamePixels(picture, Reference(Path("ours.bmp"), 17, 6)));
}

}  // namespace
}  // namespace brumel
