// The platform layers: number text, the error-box rule, the Bitmap, the drawing surface,
// and all-or-nothing file writing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>

#include "image_test_support.h"
#include "platform/atomic_file.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/error.h"
#include "platform/machine_name.h"
#include "platform/number_text.h"
#include "platform/rounding.h"

namespace brumel {
namespace {

TEST(NumberText, ShortestGeneralForm) {
  EXPECT_EQ(FormatNumber(1), "1");
  EXPECT_EQ(FormatNumber(0.07), "0.07");
  EXPECT_EQ(FormatNumber(-0.5), "-0.5");
  EXPECT_EQ(FormatNumber(-0.005), "-0.005");
  EXPECT_EQ(FormatNumber(1.8), "1.8");
  EXPECT_EQ(FormatNumber(1.23), "1.23");
  EXPECT_EQ(FormatNumber(1.8, ','), "1,8");
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(-0.0), "0");
  EXPECT_EQ(FormatNumber(1.1304), "1.1304");
  EXPECT_EQ(FormatNumber(-50), "-50");
  EXPECT_EQ(FormatNumber(1200), "1200");
  // Rounded to 15 significant digits, never an exponent.
  EXPECT_EQ(FormatNumber(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatNumber(123456789012345678.0), "123456789012346000");
  EXPECT_EQ(FormatNumber(0.0000012), "0.0000012");
  EXPECT_EQ(FormatNumber(199 / 200.0 - 1), "-0.005");
}

TEST(NumberText, ReadsWithPointWhateverTheLocale) {
  EXPECT_EQ(ParseNumber("1.13"), 1.13);
  EXPECT_EQ(ParseNumber("+2.5"), 2.5);
  EXPECT_EQ(ParseNumber("-0.5e1"), -5.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  EXPECT_FALSE(ParseNumber(""));
  EXPECT_FALSE(ParseNumber("1,13"));
  EXPECT_FALSE(ParseNumber("1.13x"));
  EXPECT_FALSE(ParseNumber("+-1"));
  EXPECT_FALSE(ParseNumber("inf"));
  EXPECT_FALSE(ParseNumber("nan"));
  EXPECT_FALSE(ParseNumber("1e999"));
}

TEST(Rounding, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(44.5), 44);
  EXPECT_EQ(RoundHalfEven(45.5), 46);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(0.5000001), 1);
}

TEST(ErrorBox, AppendsAPointAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorBoxText("Bitmap image is not valid"), "Bitmap image is not valid.");
  EXPECT_EQ(ErrorBoxText("Error Reading File!"), "Error Reading File!");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("JPEG error #42"), "JPEG error #42.");
  EXPECT_EQ(ErrorBoxText("a-"), "a-");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(BitmapTest, ResizingKeepsTheCommonAreaAndFillsWhite) {
  Bitmap bitmap(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 6; ++i) bitmap.ScanLine(y)[i] = static_cast<std::uint8_t>(10 * y + i);
  bitmap.SetWidth(3);
  bitmap.SetHeight(1);
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 1);
  const std::uint8_t* row = bitmap.ScanLine(0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(row[i], i);
  for (int i = 6; i < 9; ++i) EXPECT_EQ(row[i], 255);
  bitmap.SetHeight(2);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bitmap.ScanLine(1)[i], 255);
}

TEST(BitmapTest, RowsAreFourByteAligned) {
  EXPECT_EQ(Bitmap(1, 1).Stride(), 4u);
  EXPECT_EQ(Bitmap(3, 1).Stride(), 12u);
  EXPECT_EQ(Bitmap(5, 1, PixelFormat::Bits1).Stride(), 4u);
  EXPECT_EQ(Bitmap(9, 1, PixelFormat::Bits4).Stride(), 8u);
  EXPECT_EQ(StrideFor(std::uint64_t{1} << 31, 24), (std::uint64_t{3} << 31));
}

TEST(BitmapTest, AllocateTakesTheMemoryAClearedBitmapKeptAndPadsRowsWhite) {
  Bitmap bitmap(6, 4);
  const std::uint8_t* memory = bitmap.ScanLine(0);
  bitmap.Clear();
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_THROW(bitmap.ScanLine(0), Error);

  // Smaller, and of another shape: the same memory, no copy of the old rows needed.
  bitmap.Allocate(5, 3, PixelFormat::Bits24);
  ASSERT_EQ(bitmap.Width(), 5);
  ASSERT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.Stride(), 16u);
  EXPECT_EQ(bitmap.ScanLine(0), memory);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(bitmap.ScanLine(y)[15], 255) << "row " << y;

  // Larger than the memory held: new memory, still every row padded white.
  bitmap.Clear();
  bitmap.Allocate(101, 50, PixelFormat::Bits24);
  EXPECT_EQ(bitmap.Stride(), 304u);
  for (int y = 0; y < 50; ++y) EXPECT_EQ(bitmap.ScanLine(y)[303], 255) << "row " << y;

  // A copy holds the picture only, whatever memory the original keeps.
  bitmap.Clear();
  const Bitmap copy = bitmap;
  EXPECT_TRUE(copy.Empty());
}

TEST(BitmapTest, AllocateRefusesImpossibleSizesAndStaysEmpty) {
  Bitmap bitmap(4, 4);
  bitmap.Clear();
  EXPECT_THROW(bitmap.Allocate(-1, 4, PixelFormat::Bits24), Error);
  EXPECT_THROW(bitmap.Allocate(1 << 30, 1 << 30, PixelFormat::Bits24), Error);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.Allocate(4, 4, PixelFormat::Bits8);
  EXPECT_EQ(bitmap.Format(), PixelFormat::Bits8);
  EXPECT_TRUE(bitmap.ColorTable().empty());
}

TEST(BitmapTest, ConvertsEveryFormatTo24Bits) {
  const std::vector<PaletteEntry> palette{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  Bitmap mono(9, 1, PixelFormat::Bits1);
  mono.SetColorTable({palette[0], palette[1]});
  mono.ScanLine(0)[0] = 0b10000001;
  mono.ScanLine(0)[1] = 0b10000000;
  mono.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(mono.ScanLine(0)[0], 4);
  EXPECT_EQ(mono.ScanLine(0)[3], 1);
  EXPECT_EQ(mono.ScanLine(0)[3 * 7 + 2], 6);
  EXPECT_EQ(mono.ScanLine(0)[3 * 8 + 1], 5);

  Bitmap nibbles(3, 1, PixelFormat::Bits4);
  nibbles.SetColorTable(palette);
  nibbles.ScanLine(0)[0] = 0x21;
  nibbles.ScanLine(0)[1] = 0x00;
  nibbles.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(nibbles.ScanLine(0)[0], 7);
  EXPECT_EQ(nibbles.ScanLine(0)[3], 4);
  EXPECT_EQ(nibbles.ScanLine(0)[6], 1);

  Bitmap bytes(2, 1, PixelFormat::Bits8);
  bytes.SetColorTable(palette);
  bytes.ScanLine(0)[0] = 2;
  bytes.ScanLine(0)[1] = 200;  // past the table: black, not a read past it
  bytes.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(bytes.ScanLine(0)[2], 9);
  EXPECT_EQ(bytes.ScanLine(0)[3], 0);

  Bitmap wide(1, 1, PixelFormat::Bits32);
  std::uint8_t* p = wide.ScanLine(0);
  p[0] = 11, p[1] = 22, p[2] = 33, p[3] = 44;
  wide.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(wide.ScanLine(0)[0], 11);
  EXPECT_EQ(wide.ScanLine(0)[2], 33);
  EXPECT_EQ(wide.Stride(), 4u);
}

TEST(BitmapTest, SixteenBitSamplesWidenAndNarrowKeepingBlackAndWhite) {
  for (int c = 0; c < 256; ++c) EXPECT_EQ(NarrowSample(WidenSample(c)), c);
  // round(c / 257): 128 / 257 is below a half, 129 / 257 above.
  EXPECT_EQ(NarrowSample(128), 0);
  EXPECT_EQ(NarrowSample(129), 1);
  EXPECT_EQ(NarrowSample(65535 - 128), 255);
  EXPECT_EQ(NarrowSample(65535 - 129), 254);

  Bitmap nibbles(3, 2, PixelFormat::Bits4);
  nibbles.SetColorTable({{0, 0, 0}, {10, 20, 255}});
  nibbles.ScanLine(1)[0] = 0x10;
  nibbles.SetPixelFormat(PixelFormat::Bits48);
  ASSERT_EQ(nibbles.Format(), PixelFormat::Bits48);
  EXPECT_EQ(nibbles.Stride() % 4, 0u);
  EXPECT_GE(nibbles.Stride(), 18u);
  const std::uint16_t* row = nibbles.SampleLine<std::uint16_t>(1);
  EXPECT_EQ(row[0], 10 * 257);
  EXPECT_EQ(row[2], 65535);
  EXPECT_EQ(row[3], 0);

  nibbles.SampleLine<std::uint16_t>(0)[1] = 1000;  // 3.89 steps of a byte
  nibbles.SetPixelFormat(PixelFormat::Bits24);
  EXPECT_EQ(nibbles.ScanLine(0)[1], 4);
  EXPECT_EQ(nibbles.ScanLine(1)[1], 20);
}

TEST(BitmapTest, ImpossibleSizesRaiseTheErrorType) {
  Bitmap bitmap;
  EXPECT_THROW(bitmap.SetSize(std::numeric_limits<int>::max(), std::numeric_limits<int>::max()),
               Error);
  EXPECT_THROW(bitmap.SetSize(-1, 1), Error);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_THROW(bitmap.ScanLine(0), Error);
}

TEST(BitmapTest, DeclaredPictureSizesAreBoundedWithoutOverflow) {
  EXPECT_TRUE(PictureFits(0, 0));
  EXPECT_TRUE(PictureFits(0, std::numeric_limits<std::int64_t>::max()));
  EXPECT_TRUE(PictureFits(1, (std::int64_t{1} << 30) / 3));
  EXPECT_FALSE(PictureFits(1, (std::int64_t{1} << 30) / 3 + 1));
  EXPECT_TRUE(PictureFits(16384, 21845));  // 1 073 725 440 bytes
  EXPECT_FALSE(PictureFits(16384, 21846));
  EXPECT_FALSE(PictureFits(65535, 65535));
  EXPECT_FALSE(PictureFits(0xFFFFFFFF, 0xFFFFFFFF));
  EXPECT_FALSE(PictureFits(std::numeric_limits<std::int64_t>::max(), 1));
  EXPECT_FALSE(PictureFits(std::numeric_limits<std::int64_t>::max(),
                           std::numeric_limits<std::int64_t>::max()));
  EXPECT_FALSE(PictureFits(-1, 1));
  EXPECT_FALSE(PictureFits(1, -1));
}

TEST(CanvasTest, LinesIncludeTheirStartAndOmitTheirEnd) {
  Bitmap bitmap(5, 5);
  Canvas canvas(bitmap);
  canvas.SetPenColor({255, 0, 0});
  canvas.MoveTo(0, 2);
  canvas.LineTo(4, 2);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Pixel(x, 2), (Color{255, 0, 0})) << x;
  EXPECT_EQ(canvas.Pixel(4, 2), (Color{255, 255, 255}));
  EXPECT_EQ(canvas.PenX(), 4);
  canvas.MoveTo(0, 0);
  canvas.LineTo(3, 3);
  EXPECT_EQ(canvas.Pixel(1, 1), (Color{255, 0, 0}));
  EXPECT_EQ(canvas.Pixel(3, 3), (Color{255, 255, 255}));
}

TEST(CanvasTest, LinesAndRectanglesAreClipped) {
  Bitmap bitmap(4, 3);
  Canvas canvas(bitmap);
  canvas.MoveTo(-10, 1);
  canvas.LineTo(100, 1);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Pixel(x, 1), (Color{0, 0, 0}));
  canvas.SetBrushColor({0, 0, 255});
  canvas.SetPenColor({0, 128, 0});
  canvas.Rectangle(-5, -5, 100, 100);
  EXPECT_EQ(canvas.Pixel(0, 0), (Color{0, 0, 255}));
  canvas.Rectangle(0, 0, 4, 3);
  EXPECT_EQ(canvas.Pixel(0, 0), (Color{0, 128, 0}));
  EXPECT_EQ(canvas.Pixel(3, 2), (Color{0, 128, 0}));
  EXPECT_EQ(canvas.Pixel(1, 1), (Color{0, 0, 255}));
}

using AtomicFileTest = testing::TempFolderTest;

TEST_F(AtomicFileTest, OnlyACommitReplacesTheTargetAndNothingElseIsLeft) {
  const std::string target = Path("out.bin");
  testing::WriteBytes(target, {'o', 'l', 'd'});
  {
    AtomicFile abandoned(target);
    ASSERT_NE(abandoned.Stream(), nullptr);
    std::fputs("new", abandoned.Stream());
  }
  EXPECT_EQ(testing::ReadBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});

  std::filesystem::remove(target);
  AtomicFile file(target);
  std::fputs("new", file.Stream());
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(testing::ReadBytes(target), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "a new file gets the ordinary permissions";

  AtomicFile nowhere(Path("missing/out.bin"));
  EXPECT_EQ(nowhere.Stream(), nullptr);
  EXPECT_EQ(nowhere.SystemError(), ENOENT);
  EXPECT_FALSE(nowhere.Commit());
}

// The temporary name does not grow with the target's, so a target of 255 bytes can be written.
TEST_F(AtomicFileTest, TheTemporaryNameIsShortWhateverTheTarget) {
  const std::string longest(255, 'n');
  AtomicFile file(Path(longest));
  ASSERT_NE(file.Stream(), nullptr);
  const std::vector<std::string> names = Entries();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind(TemporaryNameStart(), 0), 0u);
  EXPECT_EQ(names[0].size(), TemporaryNameStart().size() + 6);
  const auto owner = OwnerOfTemporaryName(names[0]);
  ASSERT_TRUE(owner);
  EXPECT_EQ(owner->machine, MachineNameInFiles());
  EXPECT_EQ(owner->process, getpid());
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Entries(), std::vector<std::string>{longest});
}

// Every host name gives a name that every file system takes, bounded, that the clean-up reads
// back; names that differ give names that differ, even past the bound.
TEST(MachineNameTest, AnyHostNameBecomesABoundedSafeNameThatReadsBack) {
  EXPECT_EQ(FileNameOfHost("Scan-Node-7.lab"), "scan-node-7.lab");
  const std::string pod = "brumel-restore-collection-of-the-archive-";
  const std::vector<std::string> hosts = {
      "scan2", pod + "7-x7k2p", pod + "8-x7k2p",      "a/b c\\d:\n\x01\xff", "a_b", "a-b",
      "",      "123",           std::string(300, 'n')};
  std::set<std::string> names;
  for (const std::string& host : hosts) {
    const std::string name = FileNameOfHost(host);
    names.insert(name);
    EXPECT_FALSE(name.empty()) << host;
    EXPECT_LE(name.size(), kMostMachineNameChars) << host;
    EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789._-"), std::string::npos)
        << host;
    const auto owner = OwnerOfTemporaryName(kTemporaryPrefix + name + "-4242-17");
    ASSERT_TRUE(owner) << name;
    EXPECT_EQ(owner->machine, name);
    EXPECT_EQ(owner->process, 4242);
  }
  EXPECT_EQ(names.size(), hosts.size());
  EXPECT_EQ(FileNameOfHost(HostName()), MachineNameInFiles());
}

// The names of older versions carry no machine; anything else is no temporary name at all.
TEST(MachineNameTest, TemporaryNamesWithAndWithoutAMachineAreRecognised) {
  const auto old = OwnerOfTemporaryName(".brumel-4242-a1B2c3");
  ASSERT_TRUE(old);
  EXPECT_EQ(old->machine, "");
  EXPECT_EQ(old->process, 4242);
  const auto staged = OwnerOfTemporaryName(".brumel-4242-17-5");
  ASSERT_TRUE(staged);
  EXPECT_EQ(staged->machine, "4242");
  EXPECT_EQ(staged->process, 17);
  for (const char* other : {".brumel-4242-x", "brumel-4242-3", ".brumel-Node-4242-3",
                            ".brumel--4242-3", ".brumel-node-4242-a1B2c3d", ".brumel-node-4242-"})
    EXPECT_FALSE(OwnerOfTemporaryName(other)) << other;
}

}  // namespace
}  // namespace brumel
