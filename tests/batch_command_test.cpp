// brumel-batch's command line: usage errors, exit statuses, progress, and outputs equal to
// the window's batch run with the controls at the same positions.
#include "cli/batch_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

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
  for (const char* option : {"--output", "--format", "--corner", "--centre", "--curve", "--gamma",
                             "--red", "--green", "--blue", "--keep-going", "--quiet"})
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
  };
  for (const auto& arguments : wrong) {
    EXPECT_EQ(Run(arguments), kExitUsage) << arguments[1];
    const std::string text = errors_.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find("--help"), std::string::npos) << text;
    EXPECT_TRUE(NothingWritten()) << arguments[1];
  }
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
