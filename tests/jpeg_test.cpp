// JPEG files through libjpeg: round trips, the written file's markers and tables, greyscale,
// CMYK and YCCK files, and the error texts with the picture left as it was.
#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <string>
#include <tuple>
#include <vector>

#include "formats/jpeg/jpeg_codec.h"
#include "image_test_support.h"

namespace brumel {
namespace {

using namespace brumel::testing;

std::string JpegError(int code) {
  return "JPEG error #" + std::to_string(code);
}

// Writes a JPEG with libjpeg itself, from interleaved samples of the given colour space.
// colourSpace is the space stored in the file (JCS_UNKNOWN: libjpeg's default for the input).
void WriteTestJpeg(const std::string& path, int width, int height, J_COLOR_SPACE input,
                   int components, const std::vector<std::uint8_t>& samples,
                   J_COLOR_SPACE stored = JCS_UNKNOWN, bool adobeMarker = true,
                   bool progressive = false) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = input;
  jpeg_set_defaults(&cinfo);
  if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, stored);
  cinfo.write_Adobe_marker = adobeMarker && (input == JCS_CMYK) ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, 100, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  for (int y = 0; y < height; ++y) {
    JSAMPROW row = const_cast<JSAMPLE*>(&samples[static_cast<std::size_t>(y) * width * components]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

// Picture of one colour given as samples of one pixel.
std::vector<std::uint8_t> Repeat(int pixels, const std::vector<std::uint8_t>& pixel) {
  std::vector<std::uint8_t> samples;
  for (int i = 0; i < pixels; ++i) samples.insert(samples.end(), pixel.begin(), pixel.end());
  return samples;
}

// The markers of a JPEG file up to the first SOS, with their segments.
struct Segment {
  int marker;
  std::vector<std::uint8_t> data;
};

std::vector<Segment> Segments(const std::vector<std::uint8_t>& file) {
  std::vector<Segment> segments;
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return {};
  std::size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const int marker = file[at + 1];
    const std::size_t length = static_cast<std::size_t>(file[at + 2] << 8 | file[at + 3]);
    if (at + 2 + length > file.size()) return {};
    segments.push_back({marker, {file.begin() + at + 4, file.begin() + at + 2 + length}});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

class JpegTest : public TempFolderTest {};

TEST_F(JpegTest, RoundTripFromFileAndMemoryStaysCloseAndKeepsTheChannelOrder) {
  Bitmap red(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      red.ScanLine(y)[3 * x] = 0;
      red.ScanLine(y)[3 * x + 1] = 0;
      red.ScanLine(y)[3 * x + 2] = 255;
    }
  Bitmap palette(16, 8, PixelFormat::Bits4);  // written with its colours: all red
  palette.SetColorTable({{0, 0, 255}});
  for (int y = 0; y < 8; ++y) std::memset(palette.ScanLine(y), 0, palette.Stride());
  Bitmap paletteColours = palette;
  paletteColours.SetPixelFormat(PixelFormat::Bits24);
  const std::vector<std::tuple<std::string, Bitmap, Bitmap, int>> cases = {
      {"smooth", Smooth(64, 48), Smooth(64, 48), 6},
      {"red", red, red, 3},
      {"palette", palette, paletteColours, 8},
  };
  for (const auto& [name, picture, expected, tolerance] : cases) {
    SaveJpegFile(Path("round.jpg"), picture);
    Bitmap back, fromMemory;
    LoadJpegFile(Path("round.jpg"), back);
    ASSERT_EQ(back.Format(), PixelFormat::Bits24) << name;
    ASSERT_EQ(back.Width(), expected.Width()) << name;
    ASSERT_EQ(back.Height(), expected.Height()) << name;
    EXPECT_LE(MaxDifference(expected, back), tolerance) << name;
    const std::vector<std::uint8_t> bytes = ReadBytes(Path("round.jpg"));
    DecodeJpeg(bytes.data(), bytes.size(), fromMemory);
    EXPECT_TRUE(SamePixels(back, fromMemory)) << name;
  }
}

TEST_F(JpegTest, AClearedPictureTakesTheNextDecodeInItsOwnMemory) {
  SaveJpegFile(Path("wide.jpg"), Smooth(64, 48));
  SaveJpegFile(Path("odd.jpg"), Smooth(37, 21));  // rows padded to a multiple of four bytes
  Bitmap expected;
  LoadJpegFile(Path("odd.jpg"), expected);

  Bitmap reused;
  LoadJpegFile(Path("wide.jpg"), reused);
  const std::uint8_t* memory = reused.ScanLine(0);
  reused.Clear();
  LoadJpegFile(Path("odd.jpg"), reused);
  EXPECT_EQ(reused.ScanLine(0), memory);
  EXPECT_TRUE(SamePixels(expected, reused));
  for (int y = 0; y < reused.Height(); ++y) EXPECT_EQ(reused.ScanLine(y)[111], 255) << "row " << y;

  // A failed decode into a cleared picture leaves it without one, not with half of one.
  WriteBytes(Path("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  reused.Clear();
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("text.jpg"), reused); }), JpegError(JERR_NO_SOI));
  EXPECT_TRUE(reused.Empty());
  const std::vector<std::uint8_t> good = ReadBytes(Path("wide.jpg"));
  const std::vector<std::uint8_t> cut(good.begin(), good.begin() + 200);  // inside the tables
  EXPECT_THROW(DecodeJpeg(cut.data(), cut.size(), reused), Error);
  EXPECT_TRUE(reused.Empty());
}

TEST_F(JpegTest, WrittenFileIsBaselineQuality90WithAJfifHeader) {
  SaveJpegFile(Path("q.jpg"), Smooth(17, 9));
  const std::vector<std::uint8_t> file = ReadBytes(Path("q.jpg"));
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(file[file.size() - 2], 0xFF);
  EXPECT_EQ(file[file.size() - 1], 0xD9);
  const std::vector<Segment> segments = Segments(file);
  ASSERT_FALSE(segments.empty());
  EXPECT_EQ(segments.front().marker, 0xE0);  // APP0
  EXPECT_EQ(std::string(segments.front().data.begin(), segments.front().data.begin() + 5),
            std::string("JFIF\0", 5));
  int frames = 0;
  std::vector<std::vector<std::uint8_t>> tables;
  for (const Segment& segment : segments) {
    EXPECT_NE(segment.marker, 0xC2) << "progressive";
    EXPECT_NE(segment.marker, 0xEE) << "Adobe marker";
    if (segment.marker == 0xC0) {
      ++frames;
      EXPECT_EQ(segment.data[0], 8);                          // precision
      EXPECT_EQ(segment.data[1] << 8 | segment.data[2], 9);   // height
      EXPECT_EQ(segment.data[3] << 8 | segment.data[4], 17);  // width
      EXPECT_EQ(segment.data[5], 3);                          // Y, Cb, Cr
    }
    if (segment.marker == 0xDB) {
      for (std::size_t at = 0; at + 65 <= segment.data.size(); at += 65) {
        EXPECT_EQ(segment.data[at] >> 4, 0) << "8-bit (baseline) table";
        tables.emplace_back(segment.data.begin() + at + 1, segment.data.begin() + at + 65);
      }
    }
  }
  EXPECT_EQ(frames, 1);
  // The standard tables scaled to quality 90 (20 %), in zigzag order: luminance 16, 11 ... 99
  // become 3, 2 ... 20; chrominance 17 ... 99 become 3 ... 20.
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0][0], 3);
  EXPECT_EQ(tables[0][1], 2);
  EXPECT_EQ(tables[0][63], 20);
  EXPECT_EQ(tables[1][0], 3);
  EXPECT_EQ(tables[1][63], 20);
}

TEST_F(JpegTest, GreyscaleFilesGiveThreeEqualChannels) {
  std::vector<std::uint8_t> samples;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) samples.push_back(static_cast<std::uint8_t>(x * 8));
  WriteTestJpeg(Path("grey.jpg"), 32, 16, JCS_GRAYSCALE, 1, samples);
  Bitmap back;
  LoadJpegFile(Path("grey.jpg"), back);
  ASSERT_EQ(back.Width(), 32);
  EXPECT_EQ(back.Format(), PixelFormat::Bits24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      const std::uint8_t* p = back.ScanLine(y) + 3 * x;
      EXPECT_EQ(p[0], p[1]);
      EXPECT_EQ(p[1], p[2]);
      EXPECT_NEAR(p[0], x * 8, 3) << x << " " << y;
    }
}

TEST_F(JpegTest, CmykAndYcckFilesAreConvertedToRgb) {
  // Adobe stores the inks inverted: 255 is no ink. Red is full magenta and yellow; the
  // second picture is half black.
  struct Case {
    const char* name;
    J_COLOR_SPACE stored;
    bool adobe;
  };
  for (const Case& c : {Case{"cmyk", JCS_CMYK, true}, Case{"ycck", JCS_YCCK, true},
                        Case{"plain", JCS_CMYK, false}}) {
    const auto ink = [&](std::vector<std::uint8_t> inks) {
      if (c.adobe)
        for (auto& value : inks) value = static_cast<std::uint8_t>(255 - value);
      return inks;
    };
    WriteTestJpeg(Path("red.jpg"), 16, 16, JCS_CMYK, 4, Repeat(256, ink({0, 255, 255, 0})),
                  c.stored, c.adobe);
    WriteTestJpeg(Path("grey.jpg"), 16, 16, JCS_CMYK, 4, Repeat(256, ink({0, 0, 0, 128})), c.stored,
                  c.adobe);
    Bitmap red, grey;
    LoadJpegFile(Path("red.jpg"), red);
    LoadJpegFile(Path("grey.jpg"), grey);
    ASSERT_EQ(red.Width(), 16) << c.name;
    const std::uint8_t* r = red.ScanLine(7) + 3 * 7;
    EXPECT_GE(r[2], 250) << c.name;
    EXPECT_LE(r[1], 5) << c.name;
    EXPECT_LE(r[0], 5) << c.name;
    const std::uint8_t* g = grey.ScanLine(7) + 3 * 7;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(g[i], 127, 3) << c.name;
  }
}

TEST_F(JpegTest, ImageMagickFilesLoad) {
  if (!HaveTool("convert"))
    GTEST_SKIP() << "ImageMagick is not installed (Debian package imagemagick)";
  ASSERT_TRUE(
      RunCommand("convert -size 24x16 xc:red -colorspace CMYK " + Quoted(Path("cmyk.jpg"))));
  ASSERT_TRUE(RunCommand("convert -size 24x16 gradient:white-black -interlace JPEG " +
                         Quoted(Path("progressive.jpg"))));
  Bitmap cmyk, progressive;
  LoadJpegFile(Path("cmyk.jpg"), cmyk);
  LoadJpegFile(Path("progressive.jpg"), progressive);
  ASSERT_EQ(cmyk.Width(), 24);
  EXPECT_GE(cmyk.ScanLine(8)[3 * 8 + 2], 240);
  EXPECT_LE(cmyk.ScanLine(8)[3 * 8 + 1], 15);
  EXPECT_LE(cmyk.ScanLine(8)[3 * 8], 15);
  ASSERT_EQ(progressive.Height(), 16);
  EXPECT_GE(progressive.ScanLine(0)[0], 240);
  EXPECT_LE(progressive.ScanLine(15)[0], 15);
}

TEST_F(JpegTest, ProgressiveFilesLoad) {
  std::vector<std::uint8_t> samples;
  const Bitmap smooth = Smooth(40, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x)
      for (int c = 2; c >= 0; --c) samples.push_back(smooth.ScanLine(y)[3 * x + c]);
  WriteTestJpeg(Path("p.jpg"), 40, 24, JCS_RGB, 3, samples, JCS_UNKNOWN, false, true);
  Bitmap back;
  LoadJpegFile(Path("p.jpg"), back);
  EXPECT_LE(MaxDifference(smooth, back), 6);
}

TEST_F(JpegTest, UnreadableFilesRaiseTheirErrorsAndKeepThePicture) {
  const Bitmap before = Pattern(3, 2);
  Bitmap target = before;
  const std::string missing = Path("missing.jpg");
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(missing, target); }), "Cannot open file " + missing);
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(folder_.string(), target); }),
            "Cannot open file " + folder_.string());

  WriteBytes(Path("empty.jpg"), {});
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("empty.jpg"), target); }), JpegError(JERR_INPUT_EMPTY));
  WriteBytes(Path("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("text.jpg"), target); }), JpegError(JERR_NO_SOI));

  SaveJpegFile(Path("good.jpg"), Smooth(32, 32));
  const std::vector<std::uint8_t> good = ReadBytes(Path("good.jpg"));
  std::size_t scan = 0;  // the SOS marker
  for (std::size_t i = 2; i + 1 < good.size() && scan == 0; ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xDA) scan = i;
  ASSERT_NE(scan, 0u);
  WriteBytes(Path("head.jpg"), {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(scan)});
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("head.jpg"), target); }), JpegError(JERR_SOF_NO_SOS));
  EXPECT_TRUE(SamePixels(before, target));

  std::vector<std::uint8_t> badTable = good;  // the first DQT names table 5 of 0 to 3
  for (std::size_t i = 2; i + 4 < badTable.size(); ++i)
    if (badTable[i] == 0xFF && badTable[i + 1] == 0xDB) {
      badTable[i + 4] = 0x05;
      break;
    }
  EXPECT_EQ(ErrorOf([&] { DecodeJpeg(badTable.data(), badTable.size(), target); }),
            JpegError(JERR_DQT_INDEX));
  EXPECT_EQ(ErrorOf([&] { DecodeJpeg(nullptr, 0, target); }), JpegError(JERR_INPUT_EMPTY));
  EXPECT_TRUE(SamePixels(before, target));
}

// Records what the reader reports, and checks each report against the picture it was given.
class RecordingProgress : public RowProgress {
 public:
  void Started(Bitmap& picture) noexcept override {
    picture_ = &picture;
    size_ = {picture.Width(), picture.Height()};
    calls_ += "started;";
  }
  void RowsFinished(int rows) noexcept override {
    if (rows != rows_ + 1) calls_ += "rows " + std::to_string(rows) + " out of turn;";
    rows_ = rows;
  }
  void Ended(bool complete) noexcept override {
    calls_ += complete ? "rows " + std::to_string(rows_) + ";ended" : "ended early";
  }

  Bitmap* picture_ = nullptr;
  std::pair<int, int> size_;
  int rows_ = 0;
  std::string calls_;
};

TEST_F(JpegTest, ProgressHearsOfThePictureAndEveryRowBeforeTheEnd) {
  const std::vector<std::uint8_t> cmyk = Repeat(7 * 5, {10, 200, 30, 40});
  WriteTestJpeg(Path("cmyk.jpg"), 7, 5, JCS_CMYK, 4, cmyk);
  SaveJpegFile(Path("colour.jpg"), Smooth(9, 11));
  for (const auto& [name, width, height] :
       {std::tuple{"colour.jpg", 9, 11}, std::tuple{"cmyk.jpg", 7, 5}}) {
    RecordingProgress progress;
    Bitmap target;
    LoadJpegFile(Path(name), target, &progress);
    EXPECT_EQ(progress.calls_, "started;rows " + std::to_string(height) + ";ended") << name;
    EXPECT_EQ(progress.size_, std::pair(width, height)) << name;
    EXPECT_EQ(target.Width(), width) << name;
  }
  // A file that fails before its picture exists ends without a start; target stays.
  WriteBytes(Path("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  RecordingProgress progress;
  Bitmap target = Pattern(3, 2);
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("text.jpg"), target, &progress); }),
            JpegError(JERR_NO_SOI));
  EXPECT_EQ(progress.calls_, "ended early");
  EXPECT_EQ(target.Width(), 3);
}

TEST_F(JpegTest, DataMissingAfterTheHeaderIsOnlyAWarning) {
  SaveJpegFile(Path("good.jpg"), Smooth(64, 64));
  const std::vector<std::uint8_t> good = ReadBytes(Path("good.jpg"));
  const std::vector<std::uint8_t> half(good.begin(), good.begin() + good.size() * 3 / 4);
  Bitmap target;
  DecodeJpeg(half.data(), half.size(), target);
  EXPECT_EQ(target.Width(), 64);
  EXPECT_EQ(target.Height(), 64);
}

TEST_F(JpegTest, HugeDeclaredSizesAreRefused) {
  SaveJpegFile(Path("good.jpg"), Smooth(16, 16));
  std::vector<std::uint8_t> huge = ReadBytes(Path("good.jpg"));
  std::size_t frame = 0;
  for (std::size_t i = 2; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      frame = i;
      break;
    }
  ASSERT_NE(frame, 0u);
  // 60000 x 60000: within the library's limit of 65500 a side, far beyond kMaxPictureBytes.
  huge[frame + 5] = 60000 >> 8;
  huge[frame + 6] = 60000 & 0xFF;
  huge[frame + 7] = 60000 >> 8;
  huge[frame + 8] = 60000 & 0xFF;
  Bitmap target = Pattern(2, 2);
  EXPECT_EQ(ErrorOf([&] { DecodeJpeg(huge.data(), huge.size(), target); }),
            JpegError(JERR_IMAGE_TOO_BIG));
  WriteBytes(Path("huge.jpg"), huge);
  EXPECT_EQ(ErrorOf([&] { LoadJpegFile(Path("huge.jpg"), target); }),
            JpegError(JERR_IMAGE_TOO_BIG));
  EXPECT_TRUE(SamePixels(Pattern(2, 2), target));
}

TEST_F(JpegTest, WriterErrorsKeepTheOlderFileAndLeaveNothingBehind) {
  const std::string name = Path("no-such-folder/out.jpg");
  EXPECT_EQ(ErrorOf([&] { SaveJpegFile(name, Smooth(8, 8)); }), "Cannot create file " + name);
  EXPECT_EQ(ErrorOf([&] { SaveJpegFile(Path("empty.jpg"), Bitmap()); }),
            "Cannot write an empty picture (0 x 0) as " + Path("empty.jpg"));
  EXPECT_TRUE(Entries().empty());

  SaveJpegFile(Path("out.jpg"), Smooth(50, 50));
  SaveJpegFile(Path("out.jpg"), Smooth(8, 4));  // replaces it
  Bitmap back;
  LoadJpegFile(Path("out.jpg"), back);
  EXPECT_EQ(back.Width(), 8);
  EXPECT_EQ(back.Height(), 4);
  const std::vector<std::uint8_t> before = ReadBytes(Path("out.jpg"));
  {
    FileSizeLimit limit(8192);
    EXPECT_EQ(ErrorOf([&] { SaveJpegFile(Path("out.jpg"), Pattern(400, 400)); }),
              "Stream write error");
  }
  EXPECT_EQ(ReadBytes(Path("out.jpg")), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.jpg"});
}

}  // namespace
}  // namespace brumel
