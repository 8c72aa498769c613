// Several inputs at once: the same bytes, report and messages as one at a time, outputs put in
// place in input order, and a failure that ends the run leaving exactly the outputs before it.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "batch/batch.h"
#include "batch/inputs_in_order.h"
#include "correct/levels_text.h"
#include "formats/bmp/bmp_codec.h"
#include "formats/tiff/bmp2tiff.h"
#include "image_test_support.h"
#include "platform/error.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;
using testing::RecordingMessages;

class ParallelBatchTest : public testing::TempFolderTest {
 protected:
  // Pictures of different sizes, so that the jobs end out of order; a file that is no bitmap,
  // a name no reader takes and TIFFs the reader refuses, one with a message.
  std::vector<std::string> MixedInputs(bool withBroken) {
    std::mt19937 random(11);
    std::vector<std::string> inputs;
    for (int i = 0; i < 9; ++i) {
      const int side = i % 3 == 0 ? 700 : 20 + i;
      Bitmap picture(side, side / 2 + 1);
      for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < 3 * picture.Width(); ++x)
          picture.ScanLine(y)[x] = static_cast<std::uint8_t>(random());
      const std::string name = Path("in" + std::to_string(i) + ".bmp");
      SaveBmpFile(name, picture);
      inputs.push_back(name);
    }
    // A TIFF without a directory loads nothing; a palette one is read through libtiff.
    testing::WriteBytes(Path("grey.tif"), {'I', 'I', 42, 0, 0, 0, 0, 0});
    inputs.insert(inputs.begin() + 2, Path("grey.tif"));
    inputs.insert(inputs.begin() + 4, Path("notes.txt"));
    std::ofstream(Path("junk.tif")) << "junk";
    inputs.insert(inputs.begin() + 8, Path("junk.tif"));
    if (withBroken) {
      std::ofstream(Path("broken.bmp")) << "not a bitmap";
      inputs.insert(inputs.begin() + 6, Path("broken.bmp"));
    }
    return inputs;
  }
  BatchRequest Request(std::vector<std::string> inputs, const std::string& name, int jobs) {
    ControlPositions positions;
    positions.blue = 80;
    BatchRequest request{std::move(inputs), Path(name), OutputFormat::Png,
                         SettingsFromPositions(positions), true};
    request.jobs = jobs;
    return request;
  }
  // The names of the folder's files that start with prefix.
  std::vector<std::string> FilesStarting(const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& entry : Entries())
      if (entry.rfind(prefix, 0) == 0) names.push_back(entry);
    std::sort(names.begin(), names.end());
    return names;
  }
};

// What the report file tells of an input, times aside, with the output's name made the same.
std::string ReportedAs(const InputRecord& record, const std::string& name) {
  std::string output = record.output;
  output.replace(output.find(name), name.size(), "NAME");
  return record.input + "|" + output + "|" + std::to_string(static_cast<int>(record.status)) + "|" +
         record.reason + "|" + std::to_string(record.width) + "x" + std::to_string(record.height) +
         "|" +
         (record.restoration ? LevelsText(record.restoration->levels) + " corner " +
                                   std::to_string(record.restoration->positions.corner)
                             : "fixed");
}

TEST_F(ParallelBatchTest, SameBytesReportAndMessagesAsOneAtATime) {
  std::vector<std::string> inputs = MixedInputs(true);
  // The window's words and the command line's differ for a JPEG error: the report takes the
  // latter either way.
  std::ofstream(Path("cut.jpg")) << "\xFF\xD8\xFF";
  inputs.insert(inputs.begin() + 3, Path("cut.jpg"));
  for (bool automatic : {false, true}) {
    SCOPED_TRACE(automatic);
    BatchRequest one = Request(inputs, "one.png", 1);
    BatchRequest four = Request(inputs, "four.png", 4);
    if (automatic) one.automatic = four.automatic = HeldSettings{};
    std::vector<std::string> reportedByOne, reportedByFour;
    one.ended = [&](const InputRecord& r) { reportedByOne.push_back(ReportedAs(r, "one")); };
    four.ended = [&](const InputRecord& r) { reportedByFour.push_back(ReportedAs(r, "four")); };
    RecordingMessages saidByOne, saidByFour;
    std::vector<std::size_t> announced;
    Bitmap working;
    const BatchReport a = RunBatch(one, working, saidByOne);
    const BatchReport b =
        RunBatch(four, working, saidByFour,
                 [&](std::size_t i, std::size_t, const std::string&) { announced.push_back(i); });
    EXPECT_EQ(a.written, b.written);
    ASSERT_EQ(a.skipped.size(), b.skipped.size());
    ASSERT_EQ(a.failed.size(), 2u);
    ASSERT_EQ(b.failed.size(), 2u);
    EXPECT_EQ(b.failed[0].input, Path("cut.jpg"));
    EXPECT_EQ(b.failed[1].input, Path("broken.bmp"));
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(a.failed[i].reason, b.failed[i].reason);
      EXPECT_EQ(a.failed[i].commandLineReason, b.failed[i].commandLineReason);
    }
    EXPECT_EQ(reportedByOne, reportedByFour);
    ASSERT_EQ(reportedByOne.size(), inputs.size());
    EXPECT_NE(reportedByOne[3].find("|JPEG error #"), std::string::npos) << reportedByOne[3];
    EXPECT_NE(reportedByOne[3].find(": "), std::string::npos) << "the library's words";
    for (std::size_t i = 0; i < a.skipped.size(); ++i) {
      EXPECT_EQ(a.skipped[i].input, b.skipped[i].input);
      EXPECT_EQ(a.skipped[i].reason, b.skipped[i].reason);
    }
    EXPECT_EQ(saidByOne.shown, saidByFour.shown);
    EXPECT_FALSE(saidByFour.shown.empty()) << "the TIFF reader's message";
    ASSERT_EQ(announced.size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      EXPECT_EQ(announced[i], i);
      const std::string suffix = std::to_string(i) + ".png";
      ASSERT_EQ(fs::exists(Path("one" + suffix)), fs::exists(Path("four" + suffix))) << i;
      if (fs::exists(Path("one" + suffix))) {
        EXPECT_EQ(ReadBytes(Path("one" + suffix)), ReadBytes(Path("four" + suffix))) << i;
      }
    }
    for (const std::string& name : FilesStarting("one")) fs::remove(Path(name));
    for (const std::string& name : FilesStarting("four")) fs::remove(Path(name));
  }
  EXPECT_TRUE(FilesStarting(".brumel").empty()) << "no output left waiting";
}

TEST_F(ParallelBatchTest, AFailureEndsTheRunWithExactlyTheOutputsBeforeIt) {
  BatchRequest request = Request(MixedInputs(true), "out.png", 4);
  request.keepGoing = false;
  Bitmap working;
  RecordingMessages said;
  try {
    RunBatch(request, working, said);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Bitmap image is not valid");
  }
  // Inputs 0, 1, 3 and 5 come before the broken one (2 and 4 load nothing).
  EXPECT_EQ(FilesStarting("out"),
            (std::vector<std::string>{"out0.png", "out1.png", "out3.png", "out5.png"}));
  EXPECT_TRUE(FilesStarting(".brumel").empty());
}

TEST_F(ParallelBatchTest, AWriterFailureNamesTheOutputNotWhereItWaited) {
  const std::vector<std::string> inputs = MixedInputs(false);
  BatchRequest request = Request(inputs, "missing/out.png", 3);
  Bitmap working;
  RecordingMessages said;
  const BatchReport report = RunBatch(request, working, said);
  EXPECT_EQ(report.written, 0u);
  ASSERT_FALSE(report.failed.empty());
  EXPECT_EQ(report.failed[0].reason, "Error Opening File " + Path("missing/out0.png") + "!");
}

TEST(InputsInOrder, OutcomesComeInOrderAndNoThreadOutlivesTheRun) {
  std::atomic<int> running{0}, most{0};
  std::vector<std::size_t> taken, dropped;
  RunInputsInOrder(
      20, 3,
      [&](std::size_t i, Bitmap&, MessagePort& said) {
        const int now = ++running;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 == 0 ? 8 : 1));
        said.ShowInformation("input " + std::to_string(i));
        --running;
        if (i == 9) throw Error("nine");
        return true;
      },
      [](std::size_t) {},
      [&](std::size_t i, InputOutcome& outcome) {
        taken.push_back(i);
        RecordingMessages replayed;
        outcome.messages.ReplayTo(replayed);
        EXPECT_EQ(replayed.shown, std::vector<std::string>{"input " + std::to_string(i)});
        return !outcome.failed;
      },
      [&](std::size_t i) { dropped.push_back(i); });
  EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_LE(most.load(), 3);
  EXPECT_EQ(running.load(), 0) << "every job had ended when the run returned";
  for (std::size_t i : dropped) EXPECT_GT(i, 9u);
}

}  // namespace
}  // namespace brumel
