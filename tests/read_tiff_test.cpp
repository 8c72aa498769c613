// Decoding TIFF files into a Bitmap: the layouts of RGB samples that decode, the messages for
// those that do not, damaged files, and files that libtiff's tiffcp made of our own output.
#include "formats/tiff/read_tiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "formats/tiff/bmp2tiff.h"
#include "image_test_support.h"
#include "tiff_builder.h"

namespace brumel {
namespace {

using testing::Pattern;
using testing::RecordingMessages;
using testing::SamePixels;
using tiff_test::RawEntry;
using tiff_test::TiffBuilder;
using Entries = std::vector<RawEntry>;
using Edit = std::function<void(Entries&)>;

constexpr char kCompressed[] =
    "Cant read compressed RGB Full Color Image\r\rfeel free to implement this type of image\r"
    "and send it back to brumel@example.org";

struct Picture {
  int width = 3;
  int height = 2;
  bool little = true;
  int bits = 8;
  int samples = 3;
  bool planar = false;
  int stripRows = 0;                          // rows of a strip; 0 for one strip of all rows
  std::optional<std::uint32_t> rowsPerStrip;  // the RowsPerStrip entry; none when empty
};

// Rows [first, end) of the pattern, of one plane (planar) or of all samples (chunky). A fourth
// sample is 0xEE; a 16-bit sample has the pattern in its high byte and 0x5A in its low byte.
std::vector<std::uint8_t> Rows(const Picture& p, int first, int end, int plane) {
  const Bitmap picture = Pattern(p.width, p.height);
  std::vector<std::uint8_t> bytes;
  for (int y = first; y < end; ++y) {
    for (int x = 0; x < p.width; ++x) {
      for (int s = p.planar ? plane : 0; s < (p.planar ? plane + 1 : p.samples); ++s) {
        const std::uint8_t value = s < 3 ? tiff_test::Channel(picture, x, y, s) : 0xEE;
        if (p.bits == 16 && p.little) bytes.push_back(0x5A);
        bytes.push_back(value);
        if (p.bits == 16 && !p.little) bytes.push_back(0x5A);
      }
    }
  }
  return bytes;
}

std::vector<std::uint8_t> PictureFile(const Picture& p, const Edit& edit = {}) {
  TiffBuilder builder(p.little);
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> counts;
  const int stripRows = p.stripRows ? p.stripRows : p.height;
  for (int plane = 0; plane < (p.planar ? p.samples : 1); ++plane) {
    for (int y = 0; y < p.height; y += stripRows) {
      const auto strip = Rows(p, y, std::min(p.height, y + stripRows), plane);
      offsets.push_back(builder.Append(strip));
      counts.push_back(static_cast<std::uint32_t>(strip.size()));
    }
  }
  const auto n = static_cast<std::uint32_t>(offsets.size());
  const auto samples = static_cast<std::uint32_t>(p.samples);
  const std::vector<std::uint16_t> bits(samples, static_cast<std::uint16_t>(p.bits));
  Entries entries = {{256, 4, 1, static_cast<std::uint32_t>(p.width)},
                     {257, 4, 1, static_cast<std::uint32_t>(p.height)},
                     {258, 3, samples, builder.AppendShorts(bits)},
                     {259, 3, 1, 1},
                     {262, 3, 1, 2},
                     {273, 4, n, n == 1 ? offsets[0] : builder.AppendLongs(offsets)},
                     {277, 3, 1, samples},
                     {279, 4, n, n == 1 ? counts[0] : builder.AppendLongs(counts)},
                     {284, 3, 1, p.planar ? 2u : 1u}};
  if (p.rowsPerStrip) entries.push_back({278, 4, 1, *p.rowsPerStrip});
  if (edit) edit(entries);
  builder.AddDirectory(entries);
  return builder.Bytes();
}

bool Load(const std::vector<std::uint8_t>& bytes, Bitmap& bitmap, RecordingMessages& messages) {
  MemoryByteSource source(bytes);
  return LoadTiff("picture.tif", source, bitmap, messages);
}

Edit Set(std::uint16_t tag, std::uint32_t value) {
  return [=](Entries& entries) {
    for (RawEntry& entry : entries)
      if (entry.tag == tag) entry.value = value;
  };
}

Edit Remove(std::uint16_t tag) {
  return [=](Entries& entries) {
    std::erase_if(entries, [&](const RawEntry& entry) { return entry.tag == tag; });
  };
}

void ExpectDecodes(const Picture& p) {
  Bitmap bitmap;
  RecordingMessages messages;
  EXPECT_TRUE(Load(PictureFile(p), bitmap, messages));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(SamePixels(Pattern(p.width, p.height), bitmap));
}

TEST(TiffDecode, ChunkyRgbInStrips) {
  using RowsPerStrip = std::optional<std::uint32_t>;
  for (bool little : {true, false}) {
    for (auto [w, h] : {std::pair{3, 2}, {4, 2}, {5, 3}}) {
      const auto height = static_cast<std::uint32_t>(h);
      // One strip with and without RowsPerStrip, strips of one and two rows, and RowsPerStrip
      // values that say nothing about the length of a row.
      for (auto [rows, tag] : {std::pair<int, RowsPerStrip>{0, height},
                               {0, std::nullopt},
                               {0, 0},
                               {0, 0xFFFFFFFF},
                               {1, 1},
                               {2, 2}}) {
        SCOPED_TRACE(::testing::Message() << little << " " << w << "x" << h << " " << rows);
        ExpectDecodes(
            {.width = w, .height = h, .little = little, .stripRows = rows, .rowsPerStrip = tag});
      }
    }
  }
}

TEST(TiffDecode, DeepSamplesExtraSamplesAndPlanes) {
  for (bool little : {true, false}) {
    for (int bits : {8, 16}) {
      for (int samples : {3, 4}) {
        for (bool planar : {false, true}) {
          SCOPED_TRACE(::testing::Message() << little << bits << samples << planar);
          ExpectDecodes({.width = 5,
                         .height = 3,
                         .little = little,
                         .bits = bits,
                         .samples = samples,
                         .planar = planar,
                         .stripRows = 2,
                         .rowsPerStrip = 2});
        }
      }
    }
  }
}

TEST(TiffDecode, DirectoriesThatAreRefused) {
  const Edit fourBits = [](Entries& entries) {
    Remove(258)(entries);
    entries.push_back({258, 3, 1, 4});
  };
  const std::pair<Edit, std::string> cases[] = {
      {Remove(256), "Error reading tag Image Width"},
      {Remove(257), "Error reading tag Image Height"},
      {Remove(259), "Error reading tag Compression"},
      {Set(259, 5), kCompressed},
      {Remove(258), "Error reading tag Bits Per Sample"},
      {Set(273, 100000), kTiffImageDataError},  // the strip lies past the end of the file
      {Set(279, 17), kTiffImageDataError},      // one byte short of the rows
      {[](Entries& e) { Remove(273)(e), Remove(279)(e); }, kTiffImageDataError},
      {Set(256, 0), kTiffImageDataError},
      {Set(257, 0), kTiffImageDataError},
      {[](Entries& e) { Set(256, 1000)(e), Set(257, 1000)(e); }, kTiffImageDataError},
      {[](Entries& e) { Set(256, 70000)(e), Set(257, 70000)(e); }, kTiffImageDataError},
      {fourBits, kTiffImageDataError},
      {Set(277, 2), kTiffImageDataError},
      {Set(284, 3), kTiffImageDataError},
  };
  for (const auto& [edit, message] : cases) {
    SCOPED_TRACE(message);
    Bitmap bitmap(2, 2, PixelFormat::Bits8);
    RecordingMessages messages;
    EXPECT_FALSE(Load(PictureFile(Picture{}, edit), bitmap, messages));
    EXPECT_EQ(messages.shown, std::vector<std::string>{message});
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits8);
  }
}

TEST(TiffDecode, WalkOverTheDirectories) {
  TiffBuilder builder;
  const std::uint32_t at = builder.Append(tiff_test::RgbSamples(Pattern(3, 2)));
  Entries compressed = tiff_test::RgbEntries(3, 2, at, 18);
  compressed[3].value = 5;
  builder.AddDirectory(compressed);
  builder.AddDirectory({{262, 3, 1, 1}, {256, 4, 1, 1}});  // greyscale: skipped silently
  builder.AddDirectory(tiff_test::RgbEntries(3, 2, at, 18));
  builder.AddDirectory({{262, 3, 1, 3}});  // palette: skipped silently
  Bitmap bitmap;
  RecordingMessages messages;
  EXPECT_TRUE(Load(builder.Bytes(), bitmap, messages));
  EXPECT_EQ(messages.shown, std::vector<std::string>{kCompressed});
  EXPECT_TRUE(SamePixels(Pattern(3, 2), bitmap));

  // The last RGB directory wins; one without PhotometricInterpretation ends the walk.
  builder.AddDirectory(tiff_test::RgbEntries(2, 1, at, 6));
  builder.AddDirectory({{256, 4, 1, 1}});
  builder.AddDirectory(tiff_test::RgbEntries(1, 1, at, 3));
  messages.shown.clear();
  EXPECT_TRUE(Load(builder.Bytes(), bitmap, messages));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{
                                kCompressed, "Error reading tag Photometric interpretation"}));
  EXPECT_TRUE(SamePixels(Pattern(2, 1), bitmap));

  TiffBuilder grey;
  grey.AddDirectory({{262, 3, 1, 1}});
  messages.shown.clear();
  EXPECT_FALSE(Load(grey.Bytes(), bitmap, messages));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(SamePixels(Pattern(2, 1), bitmap));
}

using TiffFiles = testing::TempFolderTest;

TEST_F(TiffFiles, NotTiff) {
  Bitmap bitmap;
  RecordingMessages messages;
  TiffBuilder magic(true, 43);
  magic.AddDirectory(tiff_test::RgbEntries(1, 1, 8, 3));
  EXPECT_FALSE(Load(magic.Bytes(), bitmap, messages));
  EXPECT_FALSE(Load({'I', 'I', 42, 0}, bitmap, messages));
  const std::string missing = Path("none.tif");
  EXPECT_FALSE(LoadTiffFile(missing, bitmap, messages));
  EXPECT_TRUE(Entries().empty());
  EXPECT_EQ(messages.shown,
            (std::vector<std::string>{"<picture.tif> is not a valid TIFF file",
                                      "<picture.tif> is not a valid TIFF file",
                                      "<" + missing + "> is not a valid TIFF file"}));
  EXPECT_TRUE(bitmap.Empty());
}

TEST_F(TiffFiles, MadeByTiffcpFromOurOwn) {
  if (!testing::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp (Debian libtiff-tools) is missing";
  const std::string ours = Path("ours.tif");
  SaveTiffFile(ours, Pattern(7, 5));
  for (const std::string options : {"-B", "-L -r 1", "-B -r 2", "-p separate -r 2", "-c lzw"}) {
    SCOPED_TRACE(options);
    const std::string copy = Path("copy.tif");
    ASSERT_TRUE(testing::RunCommand("tiffcp " + options + " " + ours + " " + copy));
    Bitmap bitmap;
    RecordingMessages messages;
    const bool compressed = options == "-c lzw";
    EXPECT_EQ(LoadTiffFile(copy, bitmap, messages), !compressed);
    EXPECT_EQ(messages.shown,
              compressed ? std::vector<std::string>{kCompressed} : std::vector<std::string>{});
    if (!compressed) {
      EXPECT_TRUE(SamePixels(Pattern(7, 5), bitmap));
    }
  }
}

}  // namespace
}  // namespace brumel
