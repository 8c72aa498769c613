// brumel-batch's command line: usage errors, exit statuses, progress, and outputs equal to
// the window's batch run with the controls at the same positions.
#include "cli/batch_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>

#include "correct/correct_bitmap.h"
#include "correct/levels.h"
#include "formats/bmp/bmp_codec.h"
#include "image_test_support.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

class NullMessages : public MessagePort {
 public:
  void ShowInformation(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

class BatchCommandTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    SaveBmpFile(Path("in.bmp"), testing::Pattern(12, 9));
  }

  int Run(std::vector<std::string> arguments, bool terminal = false) {
    arguments.insert(arguments.begin(), "brumel-batch");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    out_.str("");
    errors_.str("");
    return RunBatchCommand(static_cast<int>(argv.size()), argv.data(), out_, errors_, terminal);
  }

  bool NothingWritten() const { return Entries().size() == 1; }

  std::ostringstream out_, errors_;
};

TEST_F(BatchCommandTest, VersionAndHelp) {
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_.str(), "brumel-batch 1.13\n");
  EXPECT_EQ(Run({"--help"}), 0);
  for (const char* option :
       {"--output", "--format", "--corner", "--centre", "--curve", "--gamma", "--red", "--green",
        "--blue", "--levels", "--auto", "--estimate", "--keep-going", "--quiet", "--from",
        "--shard", "--skip-existing", "--report", "--strip-metadata"})
    EXPECT_NE(out_.str().find(option), std::string::npos) << option;
}

TEST_F(BatchCommandTest, UsageErrorsWriteNothing) {
  const std::vector<std::vector<std::string>> wrong = {
      {"-o", Path("out.png"), "--gamma", "99", Path("in.bmp")},
      {"-o", Path("out.png"), "--corner", "201", Path("in.bmp")},
      {"-o", Path("out.png"), "--red", "-1", Path("in.bmp")},
      {"-o", Path("out.png"), "--curve", "quadratic", Path("in.bmp")},
      {"-o", Path("out.png"), "--frobnicate", Path("in.bmp")},
      {"-o", Path("out.png")},
      {Path("in.bmp")},
      {"-o", Path("out.gif"), Path("in.bmp")},
      {"-o", Path("out.png"), "-f", "gif", Path("in.bmp")},
      {"-o", Path("out.png"), "--gamma", "1.5", Path("in.bmp")},
      {"-o", Path("out.png"), "--levels", "0:255:1,0:255:1", Path("in.bmp")},
      {"-o", Path("out.png"), "--levels", "0:255:1,0:255:1.234,0:255:1", Path("in.bmp")},
      {"-o", Path("out.png"), "--levels", "0:255:1,0:255:1,0:255:1,5", "--auto", Path("in.bmp")},
      {"--auto", Path("in.bmp")},
  };
  for (const auto& arguments : wrong) {
    EXPECT_EQ(Run(arguments), kExitUsage) << arguments[1];
    const std::string text = errors_.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find("--help"), std::string::npos) << text;
    EXPECT_TRUE(NothingWritten()) << arguments[1];
  }
}

TEST_F(BatchCommandTest, ABadLevelsTextSaysWhatTheOptionTakes) {
  EXPECT_EQ(Run({"-o", Path("out.png"), "--levels", "0:255:1,0:255:1,0:255:1.5.", Path("in.bmp")}),
            kExitUsage);
  EXPECT_NE(errors_.str().find("--levels"), std::string::npos) << errors_.str();
  EXPECT_NE(errors_.str().find("black:white:gamma"), std::string::npos) << errors_.str();
  EXPECT_EQ(Run({Path("in.bmp")}), kExitUsage) << "without --estimate, -o is needed";
  EXPECT_EQ(errors_.str(),
            "brumel-batch: --output is required\nRun with --help for more information.\n");
}

TEST_F(BatchCommandTest, LevelsAreTakenBeforeTheCorrection) {
  ASSERT_EQ(Run({"-o", Path("out.bmp"), "--levels", "12:240:1.1,8:231:0.95,30:250:1.32", "--red",
                 "70", Path("in.bmp")}),
            0)
      << errors_.str();
  const Bitmap picture = testing::Pattern(12, 9);
  const Levels levels{{12, 240, 110}, {8, 231, 95}, {30, 250, 132}};
  const LevelsTables tables = MakeLevelsTables(levels);
  Bitmap expected = picture;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < 3 * picture.Width(); ++x)
      expected.ScanLine(y)[x] = tables[x % 3][picture.ScanLine(y)[x]];
  ControlPositions positions;
  positions.red = 70;
  CorrectBitmapReference(expected, expected, SettingsFromPositions(positions));
  Bitmap written;
  LoadBmpFile(Path("out0.bmp"), written);
  EXPECT_TRUE(testing::SamePixels(expected, written));
}

// The options of an --estimate line, after "INPUT: ".
std::vector<std::string> OptionsOfLine(const std::string& line, const std::string& input) {
  EXPECT_EQ(line.rfind(input + ": ", 0), 0u) << line;
  std::istringstream words(line.substr(input.size() + 2));
  return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

TEST_F(BatchCommandTest, EstimatePrintsALinePerInputAndWritesNothing) {
  SaveBmpFile(Path("other.bmp"), testing::Pattern(7, 20));
  ASSERT_EQ(Run({"--estimate", "--gamma", "200", "--curve", "cube", "--levels",
                 "12:240:1.1,8:231:0.95,30:250:1.32", Path("in.bmp"), Path("other.bmp")}),
            0)
      << errors_.str();
  EXPECT_EQ(Entries().size(), 2u) << "the two inputs alone";
  const std::regex form(
      "--levels (\\d+:\\d+:\\d+(\\.\\d\\d?)?,){2}\\d+:\\d+:\\d+(\\.\\d\\d?)? --corner \\d+ "
      "--centre "
      "\\d+ --curve (linear|sqr|cube|x\\^4|x\\^2\\+x) --gamma \\d+ --red \\d+ --green \\d+ --blue "
      "\\d+\n");
  std::istringstream lines(out_.str());
  std::string line;
  for (const std::string& input : {Path("in.bmp"), Path("other.bmp")}) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_TRUE(std::regex_match(line.substr(input.size() + 2) + "\n", form)) << line;
    const std::vector<std::string> options = OptionsOfLine(line, input);
    // What was given stays as given.
    EXPECT_EQ(options[1], "12:240:1.1,8:231:0.95,30:250:1.32");
    EXPECT_EQ(options[7], "cube");
    EXPECT_EQ(options[9], "200");
  }
  EXPECT_FALSE(std::getline(lines, line));
  EXPECT_EQ(errors_.str(), "");

  EXPECT_EQ(Run({"--estimate", "--keep-going", Path("missing.bmp"), Path("in.bmp")}),
            kExitInputProblem);
  const std::string printed = out_.str();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  EXPECT_NE(errors_.str().find("failed " + Path("missing.bmp")), std::string::npos);
}

TEST_F(BatchCommandTest, AnEstimatePastedBackGivesTheBytesOfAuto) {
  ASSERT_EQ(Run({"--estimate", "--blue", "80", Path("in.bmp")}), 0) << errors_.str();
  std::vector<std::string> pasted =
      OptionsOfLine(out_.str().substr(0, out_.str().size() - 1), Path("in.bmp"));
  pasted.insert(pasted.end(), {"-o", Path("pasted.png"), Path("in.bmp")});
  ASSERT_EQ(Run(pasted), 0) << errors_.str();
  ASSERT_EQ(Run({"--auto", "--blue", "80", "-o", Path("auto.png"), Path("in.bmp")}), 0)
      << errors_.str();
  EXPECT_EQ(testing::ReadBytes(Path("pasted0.png")), testing::ReadBytes(Path("auto0.png")));
}

TEST_F(BatchCommandTest, FormatFromTheNameOrTheOption) {
  EXPECT_EQ(Run({"-o", Path("out.JPG"), Path("in.bmp")}), 0) << errors_.str();
  EXPECT_TRUE(fs::exists(Path("out0.jpg")));
  EXPECT_EQ(Run({"-o", Path("result"), "--format", "tif", Path("in.bmp")}), 0);
  EXPECT_TRUE(fs::exists(Path("result0.TIF")));
  EXPECT_EQ(OutputFormatFromText(".Bmp"), OutputFormat::WindowsBitmap);
  EXPECT_FALSE(OutputFormatFromText("jpeg"));
}

TEST_F(BatchCommandTest, OutputsEqualTheWindowsBatch) {
  ASSERT_EQ(Run({"-o", Path("cli.png"), "--corner", "150", "--centre", "30", "--curve", "x^4",
                 "--gamma", "220", "--red", "10", "--green", "60", "--blue", "99", Path("in.bmp")}),
            0)
      << errors_.str();
  ControlPositions positions{150, 30, 220, 10, 60, 99, 3};
  BatchRequest request{{Path("in.bmp")},
                       Path("window.png"),
                       OutputFormat::Png,
                       SettingsFromPositions(positions),
                       false};
  Bitmap working;
  NullMessages messages;
  RunBatch(request, working, messages);
  EXPECT_EQ(testing::ReadBytes(Path("cli0.png")), testing::ReadBytes(Path("window0.png")));
}

TEST_F(BatchCommandTest, MissingAndSkippedInputsAreNamedWithStatusOne) {
  EXPECT_EQ(Run({"-o", Path("out.bmp"), Path("missing.bmp"), Path("in.bmp")}), kExitInputProblem);
  EXPECT_NE(errors_.str().find(Path("missing.bmp")), std::string::npos);
  EXPECT_NE(errors_.str().find("Cannot open file"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("out1.bmp"))) << "without --keep-going the run stops";

  EXPECT_EQ(Run({"-o", Path("out.bmp"), "--keep-going", Path("missing.bmp"), Path("in.bmp"),
                 Path("notes.txt")}),
            kExitInputProblem);
  EXPECT_TRUE(fs::exists(Path("out1.bmp")));
  EXPECT_NE(errors_.str().find("skipped " + Path("notes.txt")), std::string::npos);
  EXPECT_NE(errors_.str().find("failed " + Path("missing.bmp")), std::string::npos);
}

TEST_F(BatchCommandTest, ProgressOnlyOnATerminalAndNotWhenQuiet) {
  ASSERT_EQ(Run({"-o", Path("out.png"), Path("in.bmp"), Path("in.bmp")}, true), 0);
  EXPECT_NE(errors_.str().find("file 2 of 2"), std::string::npos);
  EXPECT_NE(errors_.str().find('\r'), std::string::npos);
  ASSERT_EQ(Run({"-o", Path("out.png"), "-q", Path("in.bmp")}, true), 0);
  EXPECT_EQ(errors_.str(), "");
  ASSERT_EQ(Run({"-o", Path("out.png"), Path("in.bmp")}, false), 0);
  EXPECT_EQ(errors_.str(), "");
}

}  // namespace
}  // namespace brumel
