// brumel-batch's command line: usage errors, exit statuses, progress, and outputs equal to
// the window's batch run with the controls at the same positions.
#include "cli/batch_command.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <iterator>
#include <regex>
#include <sstream>

#include "cli/correction_options.h"
#include "cli/not_reached.h"
#include "cli/report.h"
#include "correct/correct_bitmap.h"
#include "correct/levels.h"
#include "correct/levels_text.h"
#include "formats/bmp/bmp_codec.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/load_image.h"
#include "formats/png/png_unit.h"
#include "formats/tiff/bmp2tiff.h"
#include "image_test_support.h"
#include "platform/byte_order.h"
#include "platform/machine_name.h"
#include "restore/restoration_options.h"

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
       {"--output", "--format",        "--corner",     "--centre",         "--curve",
        "--gamma",  "--red",           "--green",      "--blue",           "--levels",
        "--auto",   "--estimate",      "--keep-going", "--quiet",          "--from",
        "--shard",  "--skip-existing", "--report",     "--strip-metadata", "--settings-from",
        "--depth",  "--compress"})
    EXPECT_NE(out_.str().find(option), std::string::npos) << option;
}

TEST(RestorationOptionsTest, TheRecordedLineReadsBackAsTheSameRestoration) {
  Restoration restoration;
  restoration.levels = *ParseLevels("12:240:1.1,8:231:0.95,30:250:1.32");
  restoration.positions = ControlPositions{0, 150, 200, 55, 50, 48, 4};
  std::string problem;
  const std::optional<Restoration> read =
      ParseRestorationOptions(RestorationOptions(restoration), problem);
  ASSERT_TRUE(read) << problem;
  EXPECT_EQ(RestorationOptions(*read), RestorationOptions(restoration));
  // Only the correction's options, each in its range.
  for (const char* wrong : {"--gamma 99", "--auto", "-o x.png --gamma 200", "--gamma 200 in.jpg",
                            "--levels 0:255:1", "--help", "--version", "--corner 1 --corner 2",
                            "--gamma 2000000000000000000000", "--levels \\"}) {
    EXPECT_FALSE(ParseRestorationOptions(wrong, problem)) << wrong;
    EXPECT_FALSE(problem.empty()) << wrong;
  }
  EXPECT_FALSE(ParseRestorationOptions("--gamma 99", problem));
  EXPECT_EQ(problem, "--gamma takes a whole number from 100 to 300");
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

TEST_F(BatchCommandTest, Depth16IsForPngAndTiffOutputsAndTakesEightOrSixteen) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"-o", Path("out.jpg")},
                                                    {"-o", Path("out.png"), "-f", "bmp"},
                                                    {"-o", Path("out.bmp")}}) {
    std::vector<std::string> line = arguments;
    line.insert(line.end(), {"--depth", "16", Path("in.bmp")});
    EXPECT_EQ(Run(line), kExitUsage) << arguments[1];
    EXPECT_NE(errors_.str().find("--depth 16 is for PNG and TIFF outputs only"), std::string::npos)
        << errors_.str();
  }
  for (const char* depth : {"12", "0", "8bit", ""}) {
    EXPECT_EQ(Run({"-o", Path("out.png"), "--depth", depth, Path("in.bmp")}), kExitUsage) << depth;
    EXPECT_NE(errors_.str().find("--depth"), std::string::npos) << errors_.str();
  }
  EXPECT_TRUE(NothingWritten());
  // Depth 8 is the default, with the bytes of a run without the option.
  ASSERT_EQ(Run({"-o", Path("a.jpg"), Path("in.bmp")}), kExitWritten);
  ASSERT_EQ(Run({"-o", Path("b.jpg"), "--depth", "8", Path("in.bmp")}), kExitWritten);
  EXPECT_EQ(testing::ReadBytes(Path("a0.jpg")), testing::ReadBytes(Path("b0.jpg")));
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

// The options of an --estimate line, after "INPUT: " and up to the shell's comment sign, as a
// shell takes them when the line is pasted.
std::vector<std::string> OptionsOfLine(const std::string& line, const std::string& input) {
  EXPECT_EQ(line.rfind(input + ": ", 0), 0u) << line;
  std::istringstream words(line.substr(input.size() + 2, line.find(" # ") - input.size() - 2));
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
      "\\d+ # fading (\\d|[1-9]\\d|100)( (cyan|magenta|yellow|stain))*\n");
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
  // A script finds the confidence as the word after "# fading", the dyes found lost after it.
  const std::string printed = out_.str();
  const std::string marker = " # fading ";
  const std::size_t comment = printed.find(marker);
  ASSERT_NE(comment, std::string::npos) << printed;
  const int fading = std::stoi(printed.substr(comment + marker.size()));
  EXPECT_GE(fading, 0);
  EXPECT_LE(fading, 100);
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
  // Without --strip-metadata the output also carries the record of its restoration.
  ASSERT_EQ(Run({"--strip-metadata", "-o", Path("cli.png"), "--corner", "150", "--centre", "30",
                 "--curve", "x^4", "--gamma", "220", "--red", "10", "--green", "60", "--blue", "99",
                 Path("in.bmp")}),
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
  EXPECT_NE(errors_.str().find("failed " + Path("missing.bmp") + ": No such file or directory"),
            std::string::npos)
      << errors_.str();
  EXPECT_FALSE(fs::exists(Path("out1.bmp"))) << "without --keep-going the run stops";

  EXPECT_EQ(Run({"-o", Path("out.bmp"), "--keep-going", Path("missing.bmp"), Path("in.bmp"),
                 Path("notes.txt")}),
            kExitInputProblem);
  EXPECT_TRUE(fs::exists(Path("out1.bmp")));
  EXPECT_NE(errors_.str().find("skipped " + Path("notes.txt")), std::string::npos);
  EXPECT_NE(errors_.str().find("failed " + Path("missing.bmp")), std::string::npos);
}

// Shards on several machines share one output folder: a staged file that another machine left
// over a day ago is named once, with its age, and left in place, as is a recent one, unnamed;
// the report says which machine wrote each output.
TEST_F(BatchCommandTest, OtherMachinesStagedFilesAreLeftAndTheOldOnesNamed) {
  ASSERT_NE(MachineNameInFiles(), "scan-node-2");
  fs::create_directories(Path("out"));
  const std::string abandoned = Path("out/.brumel-scan-node-2-4242-3");
  const std::string recent = Path("out/.brumel-scan-node-2-4242-a1B2c3");
  for (const std::string& file : {abandoned, recent}) testing::WriteBytes(file, {1});
  testing::SetChangedAgo(abandoned, 50 * 3600 + 60);
  testing::SetChangedAgo(recent, 3600);
  ASSERT_EQ(Run({"--report", Path("report.jsonl"), "-o", Path("out/{name}.png"), Path("in.bmp")}),
            kExitWritten);
  EXPECT_EQ(errors_.str(), "brumel-batch: " + abandoned +
                               " was staged by a run on another machine 50 hours ago; it is left "
                               "in place, but that run is surely over and it may be deleted\n");
  EXPECT_TRUE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(recent));
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(Path("report.jsonl"));
  const std::string report(bytes.begin(), bytes.end());
  EXPECT_NE(report.find(",\"host\":" + JsonString(HostName()) + "}\n"), std::string::npos)
      << report;
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

// Damaged and hostile inputs, full disks and long lists, as a tester and a person with a
// damaged scan tried them: no silent success, no runaway memory, every failure named.
class HostileInputTest : public BatchCommandTest {
 protected:
  bool Said(const std::string& pattern) const {
    return std::regex_search(errors_.str(), std::regex(pattern));
  }
  // A BMP header alone: 54 bytes that declare a 24-bit picture of the given size.
  void WriteBmpHeader(const std::string& name, std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(&bytes[2], 54, true);
    Put32(&bytes[10], 54, true);
    Put32(&bytes[14], 40, true);
    Put32(&bytes[18], static_cast<std::uint32_t>(width), true);
    Put32(&bytes[22], static_cast<std::uint32_t>(height), true);
    Put16(&bytes[26], 1, true);
    Put16(&bytes[28], 24, true);
    testing::WriteBytes(Path(name), bytes);
  }
  // The first part of a file written whole.
  void Truncate(const std::string& from, const std::string& to, std::size_t bytes) {
    std::vector<std::uint8_t> data = testing::ReadBytes(Path(from));
    data.resize(std::min(bytes, data.size()));
    testing::WriteBytes(Path(to), data);
  }
  // Runs and tells the seconds the run took.
  double TimedRun(const std::vector<std::string>& arguments, int& status) {
    const auto start = std::chrono::steady_clock::now();
    status = Run(arguments);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

TEST_F(HostileInputTest, PicturesReadInPartAreWrittenAndNamedAsDamaged) {
  SaveJpegFile(Path("photo.jpg"), testing::Pattern(320, 240));
  Truncate("photo.jpg", "t.jpg", testing::ReadBytes(Path("photo.jpg")).size() / 3);
  BitmapToPng(Path("photo.png"), testing::Pattern(320, 240));
  Truncate("photo.png", "t.png", testing::ReadBytes(Path("photo.png")).size() / 2);
  // A TIFF whose one strip holds half the rows its directory declares.
  SaveTiffFile(Path("photo.tif"), testing::Pattern(320, 240));
  std::vector<std::uint8_t> tiff = testing::ReadBytes(Path("photo.tif"));
  std::uint8_t byteCounts[8] = {0x17, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00};
  auto entry = std::search(tiff.begin(), tiff.end(), byteCounts, byteCounts + 8);
  ASSERT_NE(entry, tiff.end());
  Put32(&entry[8], 320 * 3 * 120, true);
  testing::WriteBytes(Path("t.tif"), tiff);
  EXPECT_EQ(Run({"-o", Path("out.bmp"), Path("t.jpg"), Path("t.png"), Path("t.tif")}),
            kExitInputProblem);
  EXPECT_TRUE(Said("damaged .*t\\.tif: the file's data end at row 120 of 240; the rest is grey"))
      << errors_.str();
  EXPECT_TRUE(Said("damaged .*t\\.jpg: the file ends at row \\d+ of 240; the rest is grey"))
      << errors_.str();
  EXPECT_TRUE(Said("damaged .*t\\.png: the file ends at row \\d+ of 240; the rest is grey"))
      << errors_.str();
  Bitmap written;
  LoadBmpFile(Path("out0.bmp"), written);
  EXPECT_EQ(written.Height(), 240);
  EXPECT_TRUE(fs::exists(Path("out1.bmp")));
  EXPECT_TRUE(fs::exists(Path("out2.bmp")));
  // The window takes none of them but the JPEG, as before.
  testing::RecordingMessages window;
  EXPECT_TRUE(LoadImageFile(Path("t.jpg"), written, window));
  EXPECT_EQ(testing::ErrorOf([&] { LoadImageFile(Path("t.png"), written, window); }),
            "Error Reading File!");
  EXPECT_FALSE(LoadImageFile(Path("t.tif"), written, window));
  EXPECT_EQ(window.shown, std::vector<std::string>{"Error reading image data"});
}

TEST_F(HostileInputTest, HeadersThatDeclareMoreThanTheFileHoldsAreRefusedAtOnce) {
  fs::copy_file(std::string(BRUMEL_SOURCE_DIR) +
                    "/fuzz/regressions/jpeg/progressive-declares-18900-square.jpg",
                Path("big.jpg"));
  WriteBmpHeader("big.bmp", 18900, 18900);
  fs::create_symlink("/dev/zero", Path("zero.bmp"));
  // A progressive 4:4:4 colour file, grown to the bytes its blocks need, whose coefficients
  // would take 2.1 GB before the first row.
  std::vector<std::uint8_t> colour = testing::ReadBytes(
      std::string(BRUMEL_SOURCE_DIR) +
      "/fuzz/regressions/jpeg/progressive-colour-coefficients-beyond-the-bound.jpg");
  colour.resize(colour.size() + (std::size_t{3} << 20), 0);
  testing::WriteBytes(Path("colour.jpg"), colour);
  int status = 0;
  const double seconds = TimedRun({"-o", Path("out.png"), "--keep-going", Path("big.jpg"),
                                   Path("big.bmp"), Path("zero.bmp"), Path("colour.jpg")},
                                  status);
  EXPECT_EQ(status, kExitInputProblem);
  EXPECT_LT(seconds, 2.0) << "the refusals come before any large allocation or read";
  EXPECT_TRUE(
      Said("failed .*big\\.jpg: JPEG error #\\d+: the file holds 614 bytes, too few for "
           "a picture of 18900 x 18900"))
      << errors_.str();
  EXPECT_TRUE(
      Said("failed .*big\\.bmp: Bitmap image is not valid: the file holds 54 bytes, too "
           "few for a picture of 18900 x 18900"))
      << errors_.str();
  EXPECT_TRUE(Said("failed .*zero\\.bmp: a device, not a picture file")) << errors_.str();
  EXPECT_TRUE(
      Said("failed .*colour\\.jpg: JPEG error #\\d+: a file of several scans of 18900 x "
           "18900 needs more memory"))
      << errors_.str();
}

TEST_F(HostileInputTest, EmptyPicturesAreNeverWritten) {
  WriteBmpHeader("z.bmp", 100, 0);
  EXPECT_EQ(Run({"-o", Path("z.tif"), Path("z.bmp")}), kExitInputProblem);
  EXPECT_EQ(Run({"-o", Path("y.bmp"), Path("z.bmp")}), kExitInputProblem);
  EXPECT_TRUE(Said("failed .*z\\.bmp: Cannot write an empty picture \\(100 x 0\\)"))
      << errors_.str();
  EXPECT_FALSE(fs::exists(Path("z0.TIF")));
  EXPECT_FALSE(fs::exists(Path("y0.bmp")));
}

TEST_F(HostileInputTest, LongListsAreCheckedWithoutStalling) {
  std::vector<std::string> arguments = {"-o", Path("out.png"), "--keep-going", Path("in.bmp")};
  for (int i = 0; i < 3000; ++i) arguments.push_back(Path("gone" + std::to_string(i) + ".bmp"));
  int status = 0;
  const double seconds = TimedRun(arguments, status);
  EXPECT_EQ(status, kExitInputProblem);
  EXPECT_LT(seconds, 5.0) << "each file's identity is taken once, not once for every output";
  EXPECT_TRUE(fs::exists(Path("out0.png")));
}

TEST_F(HostileInputTest, AFifoIsRefusedByNameWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("f.png").c_str(), 0600), 0);
  auto run = std::async(std::launch::async, [&] {
    return Run({"-o", Path("out.png"), Path("f.png")});
  });
  if (run.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    // Gives the blocked reader its writer and an end, so that the test can end.
    const int writer = open(Path("f.png").c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) close(writer);
    run.wait();
    FAIL() << "the batch waited on the FIFO";
  }
  EXPECT_EQ(run.get(), kExitInputProblem);
  EXPECT_TRUE(Said("failed .*f\\.png: a FIFO, not a picture file")) << errors_.str();
}

TEST_F(HostileInputTest, EveryLegalOutputNameCanBeWritten) {
  const std::string name = std::string(245, 'n') + ".png";  // its output, n...n0.png: 250 bytes
  EXPECT_EQ(Run({"-o", Path(name), Path("in.bmp")}), kExitWritten) << errors_.str();
  EXPECT_TRUE(fs::exists(Path(std::string(245, 'n') + "0.png")));
  EXPECT_EQ(Entries().size(), 2u) << "no temporary file left behind";
}

TEST_F(HostileInputTest, FailuresNameTheInputTheOutputAndTheReason) {
  // A missing output folder is made; an output whose place a folder holds cannot be written.
  EXPECT_EQ(Run({"-o", Path("no-folder/x.png"), Path("in.bmp")}), kExitWritten) << errors_.str();
  EXPECT_TRUE(fs::exists(Path("no-folder/x0.png")));
  fs::create_directory(Path("taken0.png"));
  EXPECT_EQ(Run({"-o", Path("taken.png"), Path("in.bmp")}), kExitInputProblem);
  EXPECT_TRUE(Said("failed .*in\\.bmp: cannot write .*taken0\\.png: Is a directory"))
      << errors_.str();

  testing::WriteBytes(Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x04, 0x08});
  EXPECT_EQ(Run({"-o", Path("out.png"), Path("bad.jpg")}), kExitInputProblem);
  EXPECT_TRUE(Said("failed .*bad\\.jpg: JPEG error #\\d+: \\w")) << errors_.str();

  // Two TIFFs the reader refuses with the same words: each line says whose they are.
  SaveTiffFile(Path("c.tif"), testing::Pattern(4, 4));
  std::vector<std::uint8_t> tiff = testing::ReadBytes(Path("c.tif"));
  const std::vector<std::uint8_t> uncompressed = {0x03, 0x01, 0x03, 0x00, 0x01,
                                                  0x00, 0x00, 0x00, 0x01, 0x00};
  auto entry = std::search(tiff.begin(), tiff.end(), uncompressed.begin(), uncompressed.end());
  ASSERT_NE(entry, tiff.end());
  entry[8] = 5;  // LZW
  testing::WriteBytes(Path("c1.tif"), tiff);
  testing::WriteBytes(Path("c2.tif"), tiff);
  EXPECT_EQ(Run({"-o", Path("out.png"), "--keep-going", Path("c1.tif"), Path("c2.tif")}),
            kExitInputProblem);
  EXPECT_TRUE(Said("brumel-batch: .*c1\\.tif: Cant read compressed")) << errors_.str();
  EXPECT_TRUE(Said("brumel-batch: .*c2\\.tif: Cant read compressed")) << errors_.str();

  // A missing TIFF fails like any input and ends the run, naming what it left.
  SaveBmpFile(Path("a.bmp"), testing::Pattern(3, 3));
  EXPECT_EQ(Run({"-o", Path("out.png"), Path("gone.tif"), Path("in.bmp"), Path("a.bmp"),
                 Path("in.bmp"), Path("a.bmp")}),
            kExitInputProblem);
  EXPECT_TRUE(Said("failed .*gone\\.tif: No such file or directory")) << errors_.str();
  EXPECT_TRUE(
      Said("4 inputs not reached: .*in\\.bmp, .*a\\.bmp, .*in\\.bmp and 1 more "
           "\\(--keep-going goes on after a failure\\)"))
      << errors_.str();
  EXPECT_FALSE(fs::exists(Path("out1.png")));

  EXPECT_EQ(Run({"-o", Path("out.png"), "--gamma", "180.9", Path("in.bmp")}), kExitUsage);
  EXPECT_TRUE(Said("--gamma takes a whole number from 100 to 300")) << errors_.str();
}

TEST(NotReachedTextTest, CountsTheRestAndNamesTheFirstFew) {
  const std::vector<std::string> inputs = {"a", "b", "c", "d", "e"};
  EXPECT_EQ(NotReachedText(inputs, 5), "");
  EXPECT_EQ(NotReachedText(inputs, 4),
            "1 input not reached: e (--keep-going goes on after a failure)");
  EXPECT_EQ(NotReachedText(inputs, 2),
            "3 inputs not reached: c, d, e (--keep-going goes on after a failure)");
  EXPECT_EQ(NotReachedText(inputs, 0),
            "5 inputs not reached: a, b, c and 2 more (--keep-going goes on after a failure)");
}

// A full disk, where a 3 MiB tmpfs can be mounted (as root, where the system allows it).
TEST_F(HostileInputTest, AFullDiskNamesTheOutputAndTheSystemsReason) {
  const std::string disk = Path("disk");
  fs::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=3m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  SaveBmpFile(Path("big.bmp"), testing::Pattern(1200, 1000));
  const int status = Run({"-o", disk + "/x.bmp", Path("big.bmp")});
  const std::vector<std::string> left = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(disk)) names.push_back(entry.path());
    return names;
  }();
  umount2(disk.c_str(), MNT_DETACH);
  EXPECT_EQ(status, kExitInputProblem);
  EXPECT_TRUE(Said("failed .*big\\.bmp: cannot write .*disk/x0\\.bmp: No space left on device"))
      << errors_.str();
  EXPECT_TRUE(left.empty()) << "no partial file left on the full disk";
}

}  // namespace
}  // namespace brumel
