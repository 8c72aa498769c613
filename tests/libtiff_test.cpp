// The TIFF files the own reader does not take, read through libtiff: files made by tiffcp and
// ImageMagick at test time (skipped without them), the choice between the two readers, hostile
// sizes and damaged strips; and the compressed outputs of brumel-batch --compress.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "batch/batch.h"
#include "cli/batch_command.h"
#include "cli/correction_options.h"
#include "correct/correct_bitmap.h"
#include "formats/load_image.h"
#include "formats/tiff/bmp2tiff.h"
#include "formats/tiff/libtiff_writer.h"
#include "formats/tiff/read_tiff.h"
#include "formats/tiff/read_tiff_tags.h"
#include "formats/tiff/tiff_reader_choice.h"
#include "image_test_support.h"
#include "platform/error.h"
#include "tiff_builder.h"

namespace brumel {
namespace {

using testing::Pattern;
using testing::RecordingMessages;
using testing::SamePixels;

// A port that takes a picture read in part, as the batch does.
class TakingDamage : public RecordingMessages {
 public:
  bool NoteDamage(const std::string& missing) override {
    damage = missing;
    return true;
  }
  std::string damage;
};

// The largest difference of one sample of two 24-bit pictures of the same size.
int MaxDifference(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int i = 0; i < 3 * a.Width(); ++i)
      worst = std::max(worst, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
  return worst;
}

class LibtiffFiles : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    if (!testing::HaveTool("tiffcp") || !testing::HaveTool("convert"))
      GTEST_SKIP() << "tiffcp (libtiff-tools) or convert (imagemagick) is missing";
    ours_ = Path("ours.tif");
    SaveTiffFile(ours_, picture_);
  }

  std::string Made(const std::string& command, const std::string& name) {
    const std::string made = Path(name);
    EXPECT_TRUE(testing::RunCommand(command + " " + made + " 2>/dev/null")) << command;
    return made;
  }
  std::string Tiffcp(const std::string& options) {
    return Made("tiffcp " + options + " " + ours_, "copy.tif");
  }
  // ImageMagick's own reading of a file it made, as 8-bit RGB.
  Bitmap MagickPixels(const std::string& file) {
    const std::string raw = Path("pixels.rgb");
    EXPECT_TRUE(testing::RunCommand("convert " + file + " -depth 8 rgb:" + raw + " 2>/dev/null"));
    const std::vector<std::uint8_t> bytes = testing::ReadBytes(raw);
    Bitmap bitmap(picture_.Width(), picture_.Height());
    EXPECT_EQ(bytes.size(), 3u * static_cast<std::size_t>(bitmap.Width() * bitmap.Height()));
    for (int y = 0; y < bitmap.Height() && bytes.size() >= 3u * bitmap.Width() * bitmap.Height();
         ++y)
      for (int x = 0; x < bitmap.Width(); ++x)
        for (int c = 0; c < 3; ++c)
          bitmap.ScanLine(y)[3 * x + 2 - c] = bytes[3 * (y * bitmap.Width() + x) + c];
    return bitmap;
  }
  Bitmap Loaded(const std::string& file) {
    Bitmap bitmap;
    EXPECT_TRUE(LoadAnyTiffFile(file, bitmap, messages_));
    EXPECT_TRUE(messages_.shown.empty());
    return bitmap;
  }

  const Bitmap picture_ = Pattern(37, 21);
  std::string ours_;
  RecordingMessages messages_;
};

TEST_F(LibtiffFiles, CompressionsTilesPlanesAndPredictorsGiveThePixels) {
  for (const std::string options :
       {"-c lzw", "-c zip", "-c zip:2", "-c lzw:2 -r 4", "-c packbits", "-t -w 16 -l 16",
        "-t -c zip -p separate", "-p separate -c lzw -r 3", "-B -c zip:2"}) {
    SCOPED_TRACE(options);
    const std::string copy = Tiffcp(options);
    FileByteSource source(copy);
    EXPECT_EQ(ChooseTiffReader(copy, source), TiffReader::Libtiff);
    EXPECT_TRUE(SamePixels(picture_, Loaded(copy)));
  }
}

TEST_F(LibtiffFiles, JpegInTiffWithinATolerance) {
  const Bitmap smooth = testing::Smooth(64, 48);
  SaveTiffFile(ours_, smooth);
  EXPECT_LE(MaxDifference(smooth, Loaded(Tiffcp("-c jpeg:95 -r 16"))), 12);
}

TEST_F(LibtiffFiles, DepthsAndColourKindsAsImageMagickReadsThem) {
  // 16-bit samples are c x 257 of the 8-bit ones, and narrow back to them.
  EXPECT_TRUE(SamePixels(picture_, Loaded(Made("convert " + ours_ + " -depth 16", "d16.tif"))));
  EXPECT_TRUE(SamePixels(picture_,
                         Loaded(Made("convert " + ours_ + " -depth 16 -compress zip", "z16.tif"))));
  for (const std::string options :
       {"-colorspace gray", "-colorspace gray -depth 16", "-colors 16 -type Palette", "-monochrome",
        "-colorspace gray -compress lzw"}) {
    SCOPED_TRACE(options);
    const std::string file = Made("convert " + ours_ + " " + options, "kind.tif");
    // ImageMagick narrows 16-bit grey as (c + 128) / 257 and libtiff a 16-bit colour map as
    // c * 255 / 65535, both truncated, where round(c / 257) is one more now and then.
    EXPECT_LE(MaxDifference(MagickPixels(file), Loaded(file)), 1);
  }
}

TEST_F(LibtiffFiles, UncompressedFilesStayWithTheOwnReaderAndItsMessages) {
  for (const std::string options : {"", "-B -r 2", "-p separate -r 2"}) {
    const std::string copy = Tiffcp(options);
    FileByteSource source(copy);
    EXPECT_EQ(ChooseTiffReader(copy, source), TiffReader::Own) << options;
    EXPECT_TRUE(SamePixels(picture_, Loaded(copy)));
  }
  // The own reader's refusals for the file's own faults stay its own, with its message.
  tiff_test::TiffBuilder builder;
  builder.AddDirectory(tiff_test::RgbEntries(3, 2, 100000, 18));
  testing::WriteBytes(Path("far.tif"), builder.Bytes());
  Bitmap bitmap;
  EXPECT_FALSE(LoadAnyTiffFile(Path("far.tif"), bitmap, messages_));
  EXPECT_EQ(messages_.shown, std::vector<std::string>{kTiffImageDataError});
}

// The error text of a read that fails, empty when it succeeds.
std::string FailureOf(const std::string& name, const std::vector<std::uint8_t>& bytes,
                      MessagePort& messages) {
  MemoryByteSource source(bytes);
  Bitmap bitmap(2, 2);
  try {
    LoadAnyTiff(name, source, bitmap, messages);
  } catch (const Error& error) {
    EXPECT_EQ(bitmap.Width(), 2);
    return error.CommandLineText();
  }
  return "";
}

TEST(LibtiffRefusals, AHugeDeclaredPictureIsRefusedAtOnceAndUnreadableFilesNameTheReason) {
  tiff_test::TiffBuilder builder;
  const std::uint32_t data = builder.Append(std::vector<std::uint8_t>(64, 0x78));
  std::vector<tiff_test::RawEntry> entries = tiff_test::RgbEntries(60000, 60000, data, 64);
  for (auto& entry : entries)
    if (entry.tag == kTagCompression) entry.value = 8;  // Deflate
  builder.AddDirectory(entries);
  RecordingMessages messages;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf("huge.tif", builder.Bytes(), messages),
            "Cant read compressed RGB Full Color Image; libtiff: Error reading image data of "
            "huge.tif: a picture of 60000 x 60000 is larger than Brumel reads");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // A BigTIFF header with nothing behind it: the own reader's word on it, then libtiff's.
  const std::string big =
      "<big.tif> is not a valid TIFF file; libtiff: Error reading image data of big.tif: ";
  const std::string text =
      FailureOf("big.tif", {'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0}, messages);
  EXPECT_EQ(text.rfind(big, 0), 0u) << text;
  EXPECT_GT(text.size(), big.size());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LibtiffFiles, ADamagedStripNamesTheRowWhereThePictureStops) {
  const std::string copy = Tiffcp("-c zip -r 4");
  std::vector<std::uint8_t> bytes = testing::ReadBytes(copy);
  TFileTiff tiff;
  MemoryByteSource source(bytes);
  tiff.ReadFrom(copy, source);
  const StripInfo* strip = tiff.Directory(0)->Strip(3);  // rows 12 to 15
  ASSERT_NE(strip, nullptr);
  for (std::uint32_t i = 0; i < strip->ByteCount; ++i) bytes[strip->Offset + i] = 0xFF;
  TakingDamage damage;
  MemoryByteSource damaged(bytes);
  Bitmap bitmap;
  ASSERT_TRUE(LoadAnyTiff(copy, damaged, bitmap, damage));
  EXPECT_NE(damage.damage.find("row 12 of 21"), std::string::npos) << damage.damage;
  EXPECT_EQ(testing::Rgb(bitmap, 5, 11), testing::Rgb(picture_, 5, 11));
  EXPECT_EQ(testing::Rgb(bitmap, 5, 12), 0x808080u);
  // At 16 bits the rest is the same grey, 128 x 257.
  const Bitmap deep = testing::Pattern48(37, 21, 6);
  testing::WriteBytes(Path("deep.rgb"), testing::RawRgb16(deep));
  const std::string deepCopy =
      Made("convert -size 37x21 -depth 16 -endian MSB rgb:" + Path("deep.rgb") +
               " -compress zip -define tiff:rows-per-strip=4",
           "deep.tif");
  std::vector<std::uint8_t> deepBytes = testing::ReadBytes(deepCopy);
  MemoryByteSource deepSource(deepBytes);
  TFileTiff deepTiff;
  deepTiff.ReadFrom(deepCopy, deepSource);
  const StripInfo* deepStrip = deepTiff.Directory(0)->Strip(3);
  ASSERT_NE(deepStrip, nullptr);
  for (std::uint32_t i = 0; i < deepStrip->ByteCount; ++i) deepBytes[deepStrip->Offset + i] = 0xFF;
  MemoryByteSource deepDamaged(deepBytes);
  ASSERT_TRUE(LoadAnyTiff(deepCopy, deepDamaged, bitmap, damage, nullptr, SampleDepth::Bits16));
  EXPECT_NE(damage.damage.find("row 12 of 21"), std::string::npos) << damage.damage;
  ASSERT_EQ(bitmap.Format(), PixelFormat::Bits48);
  EXPECT_EQ(bitmap.SampleLine<std::uint16_t>(11)[7], deep.SampleLine<std::uint16_t>(11)[7]);
  EXPECT_EQ(bitmap.SampleLine<std::uint16_t>(12)[7], 128 * 257);
  EXPECT_EQ(bitmap.SampleLine<std::uint16_t>(20)[3 * 37 - 1], 128 * 257);
  // A port that does not take a part of a picture gets the error.
  RecordingMessages refusing;
  EXPECT_NE(FailureOf(copy, bytes, refusing), "");
}

TEST_F(LibtiffFiles, CompressedOutputsPassTiffinfoAndGiveThePixelsBack) {
  const Bitmap picture = Pattern(301, 211, 5);
  for (const TiffCompression compression : {TiffCompression::Deflate, TiffCompression::Lzw}) {
    const std::string out = Path("out.tif");
    SaveCompressedTiff(out, picture, compression, 4);
    EXPECT_TRUE(testing::RunCommand("tiffinfo -D " + out + " >/dev/null 2>&1"));
    Bitmap bitmap;
    EXPECT_TRUE(LoadAnyTiffFile(out, bitmap, messages_));
    EXPECT_TRUE(SamePixels(picture, bitmap));
  }
  EXPECT_EQ(Entries().size(), 2u);  // ours.tif and out.tif: no staged file left
  // Any pixel format is written as its 24-bit colours.
  Bitmap wide(picture.Width(), picture.Height(), PixelFormat::Bits32);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      std::copy_n(picture.ScanLine(y) + 3 * x, 3, wide.ScanLine(y) + 4 * x);
  SaveCompressedTiff(Path("wide.tif"), wide, TiffCompression::Deflate, 2);
  Bitmap bitmap;
  EXPECT_TRUE(LoadAnyTiffFile(Path("wide.tif"), bitmap, messages_));
  EXPECT_TRUE(SamePixels(picture, bitmap));
}

// Hears of a read's picture and rows.
struct RowsHeard : RowProgress {
  void Started(Bitmap& picture) noexcept override { format = picture.Format(); }
  void RowsFinished(int rows) noexcept override { last = rows; }
  void Ended(bool whole) noexcept override { complete = whole; }
  PixelFormat format = PixelFormat::Bits1;
  int last = 0;
  bool complete = false;
};

TEST_F(LibtiffFiles, SixteenBitFilesKeepEverySampleAtDepth16) {
  const Bitmap deep = testing::Pattern48(37, 21, 4);
  testing::WriteBytes(Path("deep.rgb"), testing::RawRgb16(deep));
  const std::string raw = "convert -size 37x21 -depth 16 -endian MSB rgb:" + Path("deep.rgb");
  const std::string plain = Made(raw, "plain16.tif");
  for (const std::string& file :
       {plain, Made(raw + " -compress zip", "zip16.tif"), Made(raw + " -compress lzw", "lzw16.tif"),
        Made(raw + " -endian MSB", "motorola16.tif"),
        Made(raw + " -interlace plane -compress zip", "planes16.tif"),
        Made("tiffcp -t -w 16 -l 16 " + plain, "tiles16.tif")}) {
    SCOPED_TRACE(file);
    Bitmap bitmap;
    RowsHeard heard;
    ASSERT_TRUE(LoadAnyTiffFile(file, bitmap, messages_, &heard, SampleDepth::Bits16));
    EXPECT_TRUE(testing::SameSamples(deep, bitmap));
    EXPECT_EQ(heard.format, PixelFormat::Bits48);
    EXPECT_EQ(heard.last, 21);
    EXPECT_TRUE(heard.complete);
  }
  // The own reader keeps the uncompressed file at depth 8, and narrows it its own way (the high
  // byte).
  FileByteSource source(plain);
  EXPECT_EQ(ChooseTiffReader(plain, source), TiffReader::Own);
  EXPECT_EQ(ChooseTiffReader(plain, source, SampleDepth::Bits16), TiffReader::Libtiff);
  Bitmap narrow;
  ASSERT_TRUE(LoadAnyTiffFile(plain, narrow, messages_));
  Bitmap expected = deep;
  expected.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(narrow.Format(), PixelFormat::Bits24);
  EXPECT_LE(MaxDifference(expected, narrow), 1);
  // Grey goes to the three channels.
  testing::WriteBytes(Path("grey.raw"), {0x12, 0x34, 0xff, 0xfe});
  Bitmap grey;
  ASSERT_TRUE(LoadAnyTiffFile(
      Made("convert -size 2x1 -depth 16 -endian MSB gray:" + Path("grey.raw"), "grey16.tif"), grey,
      messages_, nullptr, SampleDepth::Bits16));
  ASSERT_EQ(grey.Format(), PixelFormat::Bits48);
  const std::uint16_t* line = grey.SampleLine<std::uint16_t>(0);
  EXPECT_EQ(std::vector<int>(line, line + 6),
            (std::vector<int>{0x1234, 0x1234, 0x1234, 0xfffe, 0xfffe, 0xfffe}));
}

TEST_F(LibtiffFiles, FortyEightBitBitmapsBecomeSixteenBitTiffsInEveryCompression) {
  const Bitmap deep = testing::Pattern48(301, 211, 5);
  for (const TiffCompression compression :
       {TiffCompression::None, TiffCompression::Deflate, TiffCompression::Lzw}) {
    SCOPED_TRACE(static_cast<int>(compression));
    const std::string out = Path("deep.tif");
    SaveCompressedTiff(out, deep, compression, 2);
    EXPECT_TRUE(testing::RunCommand("tiffinfo -D " + out + " 2>&1 | grep -q 'Bits/Sample: 16'"));
    EXPECT_TRUE(testing::RunCommand("tiffinfo -D " + out + " >/dev/null 2>&1"));
    Bitmap bitmap;
    ASSERT_TRUE(LoadAnyTiffFile(out, bitmap, messages_, nullptr, SampleDepth::Bits16));
    EXPECT_TRUE(testing::SameSamples(deep, bitmap));
    // ImageMagick's own decoding gives exactly the samples.
    ASSERT_TRUE(
        testing::RunCommand("convert " + out + " -depth 16 -endian MSB rgb:" + Path("back.rgb")));
    EXPECT_TRUE(testing::ReadBytes(Path("back.rgb")) == testing::RawRgb16(deep));
  }
}

TEST_F(LibtiffFiles, Depth16CorrectsSixteenBitTiffAndPngFilesWithinAUnitOfTheFormula) {
  const Bitmap deep = testing::Pattern48(64, 48, 9);
  testing::WriteBytes(Path("deep.rgb"), testing::RawRgb16(deep));
  const std::string raw = "convert -size 64x48 -depth 16 -endian MSB rgb:" + Path("deep.rgb");
  const std::string options =
      "--levels 10:240:1.2,5:250:0.9,0:230:1.1 --corner 130 --centre 80 --gamma 150 --red 60";
  std::string problem;
  const std::optional<Restoration> restoration = ParseRestorationOptions(options, problem);
  ASSERT_TRUE(restoration) << problem;
  Bitmap expected(deep.Width(), deep.Height(), PixelFormat::Bits48);
  CorrectBitmapReference(deep, expected, SettingsFor(*restoration));
  for (const auto& [input, output] : {std::pair{Made(raw, "in16.tif"), "out.tif"},
                                      {Made(raw, "in16.png"), "out.png"},
                                      {Made(raw + " -compress zip", "zip16.tif"), "zip.png"}}) {
    SCOPED_TRACE(input);
    std::istringstream words(options + " --depth 16 --compress " +
                             (std::string(output).ends_with(".tif") ? "deflate" : "none") +
                             " -q -o " + Path(output) + " " + input);
    std::vector<std::string> arguments = {"brumel-batch"};
    for (std::string word; words >> word;) arguments.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream errors;
    ASSERT_EQ(RunBatchCommand(static_cast<int>(argv.size()), argv.data(), out, errors, false), 0)
        << errors.str();
    const std::string written =
        BatchOutputName(Path(output), 0, FormatOfFileName(Path(output))->format);
    Bitmap corrected;
    ASSERT_TRUE(LoadImageFile(written, corrected, messages_, nullptr, SampleDepth::Bits16));
    ASSERT_EQ(corrected.Width(), deep.Width());
    int largest = 0;
    for (int y = 0; y < deep.Height(); ++y)
      for (int i = 0; i < 3 * deep.Width(); ++i)
        largest = std::max(largest, std::abs(corrected.SampleLine<std::uint16_t>(y)[i] -
                                             expected.SampleLine<std::uint16_t>(y)[i]));
    EXPECT_LE(largest, 1);
  }
}

TEST_F(LibtiffFiles, TheCommandLineCompressesTiffOutputsOnly) {
  SaveTiffFile(Path("in.tif"), picture_);
  std::ostringstream out;
  std::ostringstream errors;
  const auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "brumel-batch");
    arguments.insert(arguments.end(), {"-q", Path("in.tif")});
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return RunBatchCommand(static_cast<int>(argv.size()), argv.data(), out, errors, false);
  };
  EXPECT_EQ(run({"-o", Path("a.tif"), "--compress", "none"}), 0);
  EXPECT_EQ(run({"-o", Path("b.tif"), "--compress", "deflate"}), 0);
  EXPECT_EQ(run({"-o", Path("c.tif"), "--compress", "lzw"}), 0);
  EXPECT_EQ(run({"-o", Path("d.jpg"), "--compress", "lzw"}), 2);
  EXPECT_EQ(run({"-o", Path("e.tif"), "--compress", "zip"}), 2);
  // Today's writer by default, and the same pixels in every compression.
  Bitmap none;
  Bitmap packed;
  ASSERT_TRUE(LoadAnyTiffFile(Path("a0.TIF"), none, messages_));
  FileByteSource plain(Path("a0.TIF"));
  EXPECT_EQ(ChooseTiffReader("a0.TIF", plain), TiffReader::Own);
  for (const std::string name : {"b0.TIF", "c0.TIF"}) {
    ASSERT_TRUE(LoadAnyTiffFile(Path(name), packed, messages_)) << name;
    EXPECT_TRUE(SamePixels(none, packed)) << name;
    EXPECT_TRUE(testing::RunCommand("tiffinfo " + Path(name) + " >/dev/null 2>&1"));
  }
}

}  // namespace
}  // namespace brumel
