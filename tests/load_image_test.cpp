// Loading by extension: which names load with which reader, that the working
// bitmap is 24 bits after every load, and that reader errors reach the caller.
#include "formats/load_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmp/bmp_codec.h"
#include "formats/file_name.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/png/png_unit.h"
#include "formats/tiff/bmp2tiff.h"
#include "formats/tiff/libtiff_writer.h"
#include "image_test_support.h"

namespace brumel {
namespace {

using namespace brumel::testing;

class LoadImageTest : public TempFolderTest {
 protected:
  // Loads name into a working bitmap that held `before`; true when it was replaced.
  bool Load(const std::string& name) {
    working_ = before_;
    return LoadImageFile(name, working_, messages_);
  }
  bool Unchanged() const { return SamePixels(before_, working_); }

  const Bitmap before_ = Pattern(4, 3, 77);
  Bitmap working_;
  RecordingMessages messages_;
};

TEST_F(LoadImageTest, EachRecognisedExtensionLoadsWithItsReaderWhateverItsCase) {
  const Bitmap picture = Smooth(24, 16);
  for (const std::string name : {"a.png", "b.PNG", "c.Png", "d.pNG"}) {
    BitmapToPng(Path(name), picture);
    ASSERT_TRUE(Load(Path(name))) << name;
    EXPECT_TRUE(SamePixels(picture, working_)) << name;
  }
  for (const std::string name : {"a.jpg", "b.JPG", "c.Jpg"}) {
    SaveJpegFile(Path(name), picture);
    ASSERT_TRUE(Load(Path(name))) << name;
    EXPECT_EQ(working_.Format(), PixelFormat::Bits24);
    EXPECT_EQ(working_.Width(), 24);
    EXPECT_LE(MaxDifference(picture, working_), 12) << name;  // JPEG is lossy
  }
  for (const std::string name : {"a.bmp", "b.BMP", "c.bMp"}) {
    SaveBmpFile(Path(name), picture);
    ASSERT_TRUE(Load(Path(name))) << name;
    EXPECT_TRUE(SamePixels(picture, working_)) << name;
  }
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(LoadImageTest, TiffFilesLoadThroughTheTiffReader) {
  const Bitmap picture = Pattern(9, 4);
  for (const std::string name : {"a.tif", "b.TIF", "c.Tif"}) {
    SaveTiffFile(Path(name), picture);
    ASSERT_TRUE(Load(Path(name))) << name;
    EXPECT_TRUE(SamePixels(picture, working_)) << name;
  }
  EXPECT_TRUE(messages_.shown.empty());
  // A file the TIFF reader refuses: its own messages, nothing loaded, the bitmap as it was.
  WriteBytes(Path("bad.tif"), {'I', 'I', 43, 0, 8, 0, 0, 0});
  EXPECT_FALSE(Load(Path("bad.tif")));
  EXPECT_TRUE(Unchanged());
  // Appended rather than prefixed: GCC 12 warns falsely (-Wrestrict) about "<" + a string.
  std::string expected = "<";
  expected += Path("bad.tif") + "> is not a valid TIFF file";
  EXPECT_EQ(messages_.shown, std::vector<std::string>{expected});
}

TEST_F(LoadImageTest, AtDepth16EveryFileIs48BitsWithEightBitFilesWidened) {
  const Bitmap picture = Smooth(24, 16);
  BitmapToPng(Path("a.png"), picture);
  SaveJpegFile(Path("a.jpg"), picture);
  SaveBmpFile(Path("a.bmp"), picture);
  SaveTiffFile(Path("a.tif"), picture);
  SaveCompressedTiff(Path("lzw.tif"), picture, TiffCompression::Lzw, 1);
  Bitmap palette(5, 2, PixelFormat::Bits8);
  palette.SetColorTable({{1, 2, 3}, {200, 100, 50}});
  SaveBmpFile(Path("palette.bmp"), palette);
  for (const std::string name : {"a.png", "a.jpg", "a.bmp", "a.tif", "lzw.tif", "palette.bmp"}) {
    SCOPED_TRACE(name);
    Bitmap eight;
    Bitmap sixteen;
    ASSERT_TRUE(LoadImageFile(Path(name), eight, messages_));
    ASSERT_TRUE(LoadImageFile(Path(name), sixteen, messages_, nullptr, SampleDepth::Bits16));
    ASSERT_EQ(eight.Format(), PixelFormat::Bits24);
    Bitmap widened = eight;
    widened.SetPixelFormat(PixelFormat::Bits48);
    EXPECT_TRUE(SameSamples(widened, sixteen));
    EXPECT_EQ(sixteen.SampleLine<std::uint16_t>(1)[7], eight.ScanLine(1)[7] * 257);
  }
  // A 16-bit file keeps its samples at 16 bits and is narrowed at 8.
  const Bitmap deep = Pattern48(9, 5);
  BitmapToPng(Path("deep.png"), deep);
  Bitmap loaded;
  ASSERT_TRUE(LoadImageFile(Path("deep.png"), loaded, messages_, nullptr, SampleDepth::Bits16));
  EXPECT_TRUE(SameSamples(deep, loaded));
  ASSERT_TRUE(LoadImageFile(Path("deep.png"), loaded, messages_));
  EXPECT_EQ(loaded.Format(), PixelFormat::Bits24);
  // The 8-bit writers given a 48-bit picture write its narrowed colours.
  Bitmap narrowed = deep;
  narrowed.SetPixelFormat(PixelFormat::Bits24);
  SaveBmpFile(Path("deep.bmp"), deep);
  ASSERT_TRUE(LoadImageFile(Path("deep.bmp"), loaded, messages_));
  EXPECT_TRUE(SamePixels(narrowed, loaded));
  SaveJpegFile(Path("deep.jpg"), deep);
  SaveJpegFile(Path("narrowed.jpg"), narrowed);
  EXPECT_EQ(ReadBytes(Path("deep.jpg")), ReadBytes(Path("narrowed.jpg")));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(LoadImageTest, TheExtensionAloneChoosesTheReader) {
  // A PNG file named .bmp is read as a Windows bitmap, and is not one.
  BitmapToPng(Path("png.bmp"), Pattern(3, 3));
  working_ = before_;
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(Path("png.bmp"), working_, messages_); }),
            "Bitmap image is not valid");
  EXPECT_TRUE(Unchanged());
}

TEST_F(LoadImageTest, OtherNamesLoadNothingAndSayNothing) {
  // Every one of them holds a valid PNG, so that only the name decides.
  const std::vector<std::string> names = {"photo.jpeg", "photo.tiff", "photo.dib",     "photo.gif",
                                          "photo.jpe",  "photo",      "photo.png.bak", "photo.png ",
                                          "photo.",     ".png.x",     "photo.pn"};
  for (const std::string& name : names) {
    BitmapToPng(Path(name), Pattern(2, 2));
    EXPECT_FALSE(Load(Path(name))) << name;
    EXPECT_TRUE(Unchanged()) << name;
  }
  // The only dot in a folder's name, before "/", "\" or ":".
  fs::create_directories(folder_ / "a.png");
  BitmapToPng(Path("a.png/photo"), Pattern(2, 2));
  EXPECT_FALSE(Load(Path("a.png/photo")));
  for (const std::string name : {"x.png\\photo", "x.png:photo"}) {
    BitmapToPng(Path(name), Pattern(2, 2));
    EXPECT_FALSE(Load(Path(name))) << name;
  }
  EXPECT_TRUE(Unchanged());
  // A name that doesn't exist at all, with an unknown extension: still nothing.
  EXPECT_FALSE(Load(Path("missing.tiff")));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(LoadImageTest, BackslashAndColonSeparateLikeSlash) {
  for (const std::string name : {"folder\\photo.png", "c:photo.png"}) {
    BitmapToPng(Path(name), Pattern(2, 2));
    EXPECT_TRUE(Load(Path(name))) << name;
    EXPECT_TRUE(SamePixels(Pattern(2, 2), working_)) << name;
  }
}

TEST_F(LoadImageTest, OnlyAToZAreUpperCased) {
  // "\xC3\xA7" (c cedilla in UTF-8) is no "C": "photo.pn\xC3\xA7" isn't ".PNG" whatever case.
  EXPECT_EQ(UpperAscii(".p\xC3\xA7g"), ".P\xC3\xA7G");
  BitmapToPng(Path("photo.jp\xC3\xA7"), Pattern(2, 2));
  EXPECT_FALSE(Load(Path("photo.jp\xC3\xA7")));
}

TEST_F(LoadImageTest, WindowsBitmapsOfEveryDepthEndAt24Bits) {
  Bitmap palette(5, 2, PixelFormat::Bits4);
  palette.SetColorTable({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  for (int y = 0; y < 2; ++y) std::memset(palette.ScanLine(y), 0x12, palette.Stride());
  // The writer writes 24 bits, so the palette file is made by hand: the loader's own reader
  // gives Bits4 for it, and the loader converts.
  std::vector<std::uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40,
                                    0,   0,   0, 5, 0, 0, 0, 2, 0, 0, 0,  1, 0, 4, 0};
  file.resize(46, 0);
  file.insert(file.end(), {3, 0, 0, 0, 0, 0, 0, 0});  // colours used 3
  file.insert(file.end(), {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
  for (int row = 0; row < 2; ++row) file.insert(file.end(), {0x12, 0x12, 0x12, 0x12});
  WriteBytes(Path("four.bmp"), file);
  Bitmap direct;
  LoadBmpFile(Path("four.bmp"), direct);
  EXPECT_EQ(direct.Format(), PixelFormat::Bits4);
  ASSERT_TRUE(Load(Path("four.bmp")));
  EXPECT_EQ(working_.Format(), PixelFormat::Bits24);
  Bitmap expected = palette;
  expected.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_TRUE(SamePixels(expected, working_));

  // 32 bits, BI_RGB: the reader gives Bits32.
  std::vector<std::uint8_t> wide = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                    0,   0,   0, 1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 32, 0};
  wide.resize(54, 0);
  wide.insert(wide.end(), {10, 20, 30, 99});
  WriteBytes(Path("wide.bmp"), wide);
  ASSERT_TRUE(Load(Path("wide.bmp")));
  EXPECT_EQ(working_.Format(), PixelFormat::Bits24);
  EXPECT_EQ(Rgb(working_, 0, 0), 0x1E140Au);
}

TEST_F(LoadImageTest, ReaderErrorsReachTheCallerAndKeepTheWorkingBitmap) {
  const std::string png = Path("missing.png");
  const std::string jpg = Path("missing.JPG");
  const std::string bmp = Path("missing.bmp");
  working_ = before_;
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(png, working_, messages_); }),
            "Error Opening File " + png + "!");
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(jpg, working_, messages_); }), "Cannot open file " + jpg);
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(bmp, working_, messages_); }), "Cannot open file " + bmp);
  WriteBytes(Path("bad.png"), {1, 2, 3});
  WriteBytes(Path("bad.jpg"), {1, 2, 3});
  WriteBytes(Path("bad.bmp"), {1, 2, 3});
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(Path("bad.png"), working_, messages_); }),
            "Error Reading File!");
  EXPECT_EQ(ErrorOf([&] {
              LoadImageFile(Path("bad.jpg"), working_, messages_);
            }).rfind("JPEG error #", 0),
            0u);
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(Path("bad.bmp"), working_, messages_); }),
            "Bitmap image is not valid");
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace brumel
