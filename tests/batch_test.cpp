// The batch run: output names, every input corrected at full size and written by the chosen
// writer, stops and skips, and the refusal to overwrite its own inputs.
#include "batch/batch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "correct/correct_bitmap.h"
#include "restore/estimate_restoration.h"
#include "formats/bmp/bmp_codec.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/load_image.h"
#include "formats/png/png_unit.h"
#include "formats/tiff/bmp2tiff.h"
#include "image_test_support.h"
#include "platform/error.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

using testing::RecordingMessages;

Bitmap Picture(int width, int height, unsigned seed) {
  Bitmap bitmap(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i) bitmap.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
  return bitmap;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * static_cast<std::size_t>(a.Width())) != 0)
      return false;
  return true;
}

class BatchTest : public testing::TempFolderTest {
 protected:
  std::string Input(const std::string& name, const Bitmap& picture) {
    SaveBmpFile(Path(name), picture);
    return Path(name);
  }
  BatchRequest Request(std::vector<std::string> inputs, OutputFormat format) {
    ControlPositions positions;
    positions.red = 70;
    positions.curve = 2;
    return {std::move(inputs), Path("fixed.png"), format, SettingsFromPositions(positions), false};
  }

  RecordingMessages messages_;
};

TEST(BatchOutputNameTest, ChosenNameWithoutExtensionThenIndexThenFormat) {
  EXPECT_EQ(BatchOutputName("D:\\out\\fixed", 0, OutputFormat::Jpeg), "D:\\out\\fixed0.jpg");
  EXPECT_EQ(BatchOutputName("D:\\out\\fixed", 2, OutputFormat::Jpeg), "D:\\out\\fixed2.jpg");
  EXPECT_EQ(BatchOutputName("/out/fixed.png", 1, OutputFormat::WindowsBitmap), "/out/fixed1.bmp");
  EXPECT_EQ(BatchOutputName("/out/fixed", 10, OutputFormat::Tiff), "/out/fixed10.TIF");
  EXPECT_EQ(BatchOutputName("/out/fixed.tar.gz", 0, OutputFormat::Png), "/out/fixed.tar0.png");
  EXPECT_EQ(BatchOutputName("/a.b/photo", 3, OutputFormat::Png), "/a.b/photo3.png");
}

TEST_F(BatchTest, EveryInputIsCorrectedAtFullSizeAndWritten) {
  const Bitmap first = Picture(31, 17, 1), second = Picture(8, 40, 2);
  BatchRequest request =
      Request({Input("a.bmp", first), Input("b.bmp", second)}, OutputFormat::Png);
  Bitmap working;
  const BatchReport report = RunBatch(request, working, messages_);
  EXPECT_EQ(report.written, 2u);
  EXPECT_TRUE(report.skipped.empty());
  const Bitmap* originals[] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    Bitmap expected(originals[i]->Width(), originals[i]->Height());
    CorrectBitmapReference(*originals[i], expected, request.settings);
    Bitmap written;
    PngToBitmap(Path("fixed" + std::to_string(i) + ".png"), written);
    EXPECT_TRUE(SamePixels(written, expected)) << i;
    if (i == 1) {
      EXPECT_TRUE(SamePixels(working, expected)) << "working holds the last file";
    }
  }
}

TEST_F(BatchTest, EachFormatWritesItsOwnExtension) {
  const std::string input = Input("a.bmp", Picture(5, 3, 3));
  const std::pair<OutputFormat, const char*> formats[] = {
      {OutputFormat::Png, "fixed0.png"},
      {OutputFormat::Jpeg, "fixed0.jpg"},
      {OutputFormat::WindowsBitmap, "fixed0.bmp"},
      {OutputFormat::Tiff, "fixed0.TIF"}};
  for (const auto& [format, name] : formats) {
    Bitmap working;
    RunBatch(Request({input}, format), working, messages_);
    ASSERT_TRUE(fs::exists(Path(name))) << name;
    Bitmap back;
    RecordingMessages quiet;
    ASSERT_TRUE(LoadImageFile(Path(name), back, quiet)) << name;
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
  }
}

TEST_F(BatchTest, ALargeJpegIsCorrectedAsAnyOtherPicture) {
  // Large enough to be corrected while it is decoded, with an odd size.
  SaveJpegFile(Path("photo.jpg"), Picture(801, 523, 5));
  BatchRequest request = Request({Path("photo.jpg")}, OutputFormat::WindowsBitmap);
  Bitmap working;
  RunBatch(request, working, messages_);
  Bitmap expected;
  LoadJpegFile(Path("photo.jpg"), expected);
  CorrectBitmapReference(expected, expected, request.settings);
  EXPECT_TRUE(SamePixels(working, expected));
  Bitmap written;
  LoadBmpFile(Path("fixed0.bmp"), written);
  EXPECT_TRUE(SamePixels(written, expected));
  // The JPEG writer takes the rows while they are still being corrected.
  request.format = OutputFormat::Jpeg;
  RunBatch(request, working, messages_);
  SaveJpegFile(Path("expected.jpg"), expected);
  EXPECT_EQ(testing::ReadBytes(Path("fixed0.jpg")), testing::ReadBytes(Path("expected.jpg")));
}

TEST_F(BatchTest, PicturesOfEverySizeInTurnShareMemoryWithoutMixing) {
  // Smaller, then larger than the memory the pictures before left; the first and last are
  // corrected while they are decoded. The broken one ends the run.
  const std::pair<int, int> sizes[] = {{801, 523}, {300, 201}, {97, 61}, {903, 611}};
  BatchRequest request = Request({}, OutputFormat::Jpeg);
  std::vector<Bitmap> expected;
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const std::string name = Path("in" + std::to_string(i) + ".jpg");
    SaveJpegFile(name, Picture(sizes[i].first, sizes[i].second, static_cast<unsigned>(i)));
    request.inputs.push_back(name);
    expected.emplace_back();
    LoadJpegFile(name, expected.back());
    CorrectBitmapReference(expected.back(), expected.back(), request.settings);
  }
  { std::ofstream(Path("broken.jpg")) << "not a JPEG"; }
  request.inputs.push_back(Path("broken.jpg"));
  request.jobs = 1;
  Bitmap working;
  EXPECT_THROW(RunBatch(request, working, messages_), Error);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SaveJpegFile(Path("expected.jpg"), expected[i]);
    EXPECT_EQ(testing::ReadBytes(Path("fixed" + std::to_string(i) + ".jpg")),
              testing::ReadBytes(Path("expected.jpg")))
        << i;
  }
  EXPECT_TRUE(SamePixels(working, expected.back())) << "a failed read keeps the picture before";
}

// An input corrected by the direct pass with its own estimate.
Bitmap OwnCorrection(const std::string& input, const HeldSettings& held) {
  Bitmap picture;
  RecordingMessages quiet;
  EXPECT_TRUE(LoadImageFile(input, picture, quiet));
  const Restoration own = EstimateRestoration(picture, held);
  CorrectionSettings settings = SettingsFromPositions(own.positions);
  settings.levels = own.levels;
  CorrectBitmapReference(picture, picture, settings);
  return picture;
}

TEST_F(BatchTest, AutomaticCorrectsEachInputWithItsOwnEstimate) {
  // A large JPEG, corrected on the second core while it is encoded, and a small bitmap.
  SaveJpegFile(Path("photo.jpg"), Picture(801, 523, 7));
  const std::vector<std::string> inputs = {Path("photo.jpg"),
                                           Input("small.bmp", Picture(13, 8, 8))};
  HeldSettings held;
  held.levels = Levels{{12, 240, 110}, {8, 231, 95}, {30, 250, 132}};
  held.gamma = 200;
  for (OutputFormat format : {OutputFormat::Jpeg, OutputFormat::WindowsBitmap}) {
    BatchRequest request = Request(inputs, format);
    request.automatic = held;
    Bitmap working;
    ASSERT_EQ(RunBatch(request, working, messages_).written, 2u);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const Bitmap expected = OwnCorrection(inputs[i], held);
      const std::string output = BatchOutputName(Path("fixed"), i, format);
      if (format == OutputFormat::Jpeg) {
        SaveJpegFile(Path("expected.jpg"), expected);
        EXPECT_EQ(testing::ReadBytes(output), testing::ReadBytes(Path("expected.jpg"))) << i;
      } else {
        Bitmap written;
        LoadBmpFile(output, written);
        EXPECT_TRUE(SamePixels(written, expected)) << i;
      }
    }
  }
}

TEST_F(BatchTest, EstimatingWritesNothingAndReportsLikeTheRun) {
  const std::string a = Input("a.bmp", Picture(9, 5, 9)), b = Input("b.bmp", Picture(4, 6, 10));
  { std::ofstream(Path("broken.bmp")) << "not a bitmap"; }
  BatchRequest request = Request({a, Path("notes.txt"), Path("broken.bmp"), b}, OutputFormat::Png);
  request.outputName = a;  // never written, so never refused
  HeldSettings held;
  held.red = 70;
  request.automatic = held;
  request.keepGoing = true;
  std::vector<std::string> estimated;
  const auto found = [&](const std::string& input, const Restoration& restoration) {
    estimated.push_back(input);
    EXPECT_EQ(restoration.positions.red, 70);
  };
  const auto before = Entries();
  Bitmap working;
  const BatchReport report = EstimateBatch(request, working, messages_, found);
  EXPECT_EQ(estimated, (std::vector<std::string>{a, b}));
  EXPECT_EQ(report.written, 2u);
  ASSERT_EQ(report.skipped.size(), 1u);
  EXPECT_EQ(report.skipped[0].input, Path("notes.txt"));
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].input, Path("broken.bmp"));
  EXPECT_EQ(Entries().size(), before.size());

  request.keepGoing = false;
  estimated.clear();
  EXPECT_THROW(EstimateBatch(request, working, messages_, found), Error);
  EXPECT_EQ(estimated, std::vector<std::string>{a});
}

TEST_F(BatchTest, AReaderErrorStopsTheRunWithOutputsBeforeIt) {
  const Bitmap picture = Picture(4, 4, 4);
  { std::ofstream(Path("broken.bmp")) << "not a bitmap"; }
  BatchRequest request =
      Request({Input("a.bmp", picture), Input("b.bmp", picture), Path("broken.bmp"),
               Input("d.bmp", picture), Input("e.bmp", picture)},
              OutputFormat::WindowsBitmap);
  Bitmap working;
  try {
    RunBatch(request, working, messages_);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Bitmap image is not valid");
  }
  EXPECT_TRUE(fs::exists(Path("fixed0.bmp")));
  EXPECT_TRUE(fs::exists(Path("fixed1.bmp")));
  EXPECT_FALSE(fs::exists(Path("fixed2.bmp")));
  EXPECT_FALSE(fs::exists(Path("fixed3.bmp")));

  request.keepGoing = true;
  const BatchReport report = RunBatch(request, working, messages_);
  EXPECT_EQ(report.written, 4u);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].input, Path("broken.bmp"));
  EXPECT_TRUE(fs::exists(Path("fixed4.bmp")));
  EXPECT_FALSE(fs::exists(Path("fixed2.bmp")));
}

TEST_F(BatchTest, InputsThatLoadNothingAreSkippedAndNamed) {
  const Bitmap picture = Picture(6, 2, 5);
  // A TIFF without a directory loads nothing; a palette one is read through libtiff.
  testing::WriteBytes(Path("grey.tif"), {'I', 'I', 42, 0, 0, 0, 0, 0});
  BatchRequest request = Request(
      {Input("a.bmp", picture), Path("notes.txt"), Path("grey.tif"), Input("d.bmp", picture)},
      OutputFormat::Png);
  Bitmap working;
  const BatchReport report = RunBatch(request, working, messages_);
  EXPECT_EQ(report.written, 2u);
  ASSERT_EQ(report.skipped.size(), 2u);
  EXPECT_FALSE(fs::exists(Path("fixed1.png"))) << "no output under a skipped input's index";
  EXPECT_FALSE(fs::exists(Path("fixed2.png")));
  EXPECT_TRUE(fs::exists(Path("fixed3.png")));
  const std::string message = BatchCompletionMessage(report);
  EXPECT_EQ(message.rfind(" batch processing complete\n", 0), 0u);
  EXPECT_NE(message.find(Path("notes.txt")), std::string::npos);
  EXPECT_NE(message.find(Path("grey.tif")), std::string::npos);
  EXPECT_EQ(BatchCompletionMessage({}), " batch processing complete");
  BatchReport damaged;
  damaged.damaged.push_back({"t.jpg", "the file ends at row 16 of 480; the rest is grey"});
  EXPECT_EQ(
      BatchCompletionMessage(damaged),
      " batch processing complete\ndamaged t.jpg: the file ends at row 16 of 480; the rest is "
      "grey");
}

TEST_F(BatchTest, NeverOverwritesItsOwnInputs) {
  const Bitmap picture = Picture(3, 3, 6);
  const std::string first = Input("photo0.png.bmp", picture);
  SaveBmpFile(Path("shot1.bmp"), picture);
  fs::create_hard_link(Path("shot1.bmp"), Path("photo1.png"));
  const auto before = fs::last_write_time(Path("shot1.bmp"));
  BatchRequest request{{first, Path("shot1.bmp")}, Path("photo"), OutputFormat::Png, {}, true};
  Bitmap working;
  try {
    RunBatch(request, working, messages_);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(Path("photo1.png")), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(Path("photo0.png"))) << "nothing is written on a clash";
  EXPECT_EQ(fs::last_write_time(Path("shot1.bmp")), before);

  request.inputs = {Path("./sub/../photo0.png")};
  request.outputName = Path("photo.jpg");
  fs::create_directories(folder_ / "sub");
  EXPECT_THROW(RunBatch(request, working, messages_), Error) << "the same file by another path";
}

}  // namespace
}  // namespace brumel
