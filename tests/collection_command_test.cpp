// brumel-batch run as a program over real files, the way a person or a batch engine runs it on a
// collection: metadata kept (checked with exiftool), a resumed run, a stop by SIGINT, shards run
// at the same time and under GNU Parallel, the report, the input list, and malformed options.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "batch/batch.h"
#include "correct/correction_settings.h"
#include "formats/load_image.h"
#include "image_test_support.h"
#include "platform/machine_name.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = BRUMEL_BATCH_PROGRAM;

class NullMessages : public MessagePort {
 public:
  void ShowInformation(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

bool Have(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Starts a program with its standard input from `input` (or /dev/null) and its output gone.
pid_t Start(const std::vector<std::string>& arguments, const std::string& input = "/dev/null") {
  const pid_t child = fork();
  if (child == 0) {
    const int in = open(input.c_str(), O_RDONLY);
    const int none = open("/dev/null", O_WRONLY);
    dup2(in, 0);
    dup2(none, 1);
    dup2(none, 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

int Wait(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunBatchProgram(std::vector<std::string> arguments, const std::string& input = "/dev/null") {
  arguments.insert(arguments.begin(), kProgram);
  return Wait(Start(arguments, input));
}

// What a shell command prints.
std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, got);
  pclose(pipe);
  return text;
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

class CollectionTest : public testing::TempFolderTest {
 protected:
  // Pictures a, b and c in the three formats the metadata comes from.
  void MakeScans(int width = 40, int height = 30) {
    fs::create_directories(Path("scans"));
    const char* names[] = {"scans/a b.jpg", "scans/c.png", "scans/d.tif"};
    const OutputFormat formats[] = {OutputFormat::Jpeg, OutputFormat::Png, OutputFormat::Tiff};
    for (int i = 0; i < 3; ++i) {
      FormatRow(formats[i]).write(Path(names[i]), testing::Pattern(width, height, i), nullptr);
      scans_.push_back(Path(names[i]));
    }
  }
  // Every file under the folder, by name relative to it, with its bytes.
  std::map<std::string, std::vector<std::uint8_t>> Files(const std::string& folder) const {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(Path(folder)))
      if (entry.is_regular_file())
        files[fs::relative(entry.path(), Path(folder)).string()] =
            testing::ReadBytes(entry.path().string());
    return files;
  }
  void WriteList(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream list(Path(name));
    for (const std::string& line : lines) list << line << '\n';
  }
  // The file the window's batch writes of the input with the start-up settings.
  std::string WindowOutput(const std::string& input, const std::string& extension) const {
    BatchRequest window;
    window.inputs = {input};
    window.outputName = Path("window" + extension);
    window.format = FormatOfFileName(window.outputName)->format;
    window.settings = SettingsFromPositions(ControlPositions{});
    Bitmap working;
    NullMessages messages;
    RunBatch(window, working, messages);
    return BatchOutputName(window.outputName, 0, window.format);
  }
  std::vector<std::string> scans_;
};

// A colour profile of the smallest form a reader accepts: a header that gives its size and
// the profile signature, and no tags.
std::vector<std::uint8_t> SmallProfile() {
  std::vector<std::uint8_t> profile(132, 0);
  profile[3] = 132;
  // Four bytes each, written out: a string of "\x02\x10\x00\x00" would end at its first zero.
  const std::pair<int, std::array<char, 4>> fields[] = {{8, {2, 0x10, 0, 0}},
                                                        {12, {'m', 'n', 't', 'r'}},
                                                        {16, {'R', 'G', 'B', ' '}},
                                                        {20, {'X', 'Y', 'Z', ' '}},
                                                        {36, {'a', 'c', 's', 'p'}}};
  for (const auto& [offset, bytes] : fields)
    std::copy(bytes.begin(), bytes.end(), profile.begin() + offset);
  return profile;
}

// The options of the window's start-up settings.
const std::string kStartUpSettings =
    "--levels 0:255:1,0:255:1,0:255:1 --corner 100 --centre 100 --curve linear --gamma 180 "
    "--red 50 --green 50 --blue 50";

// The picture a file holds, as Brumel reads it.
Bitmap Loaded(const std::string& file) {
  Bitmap picture;
  NullMessages messages;
  EXPECT_TRUE(LoadImageFile(file, picture, messages)) << file;
  return picture;
}

TEST_F(CollectionTest, MetadataIsCarriedOverAndStripped) {
  if (!Have("exiftool")) GTEST_SKIP() << "exiftool (Debian libimage-exiftool-perl) is missing";
  MakeScans();
  testing::WriteBytes(Path("profile.icc"), SmallProfile());
  FormatRow(OutputFormat::Jpeg).write(Path("thumb.jpg"), testing::Pattern(8, 8), nullptr);
  for (const std::string& scan : scans_)
    ASSERT_EQ(std::system(("exiftool -q -overwrite_original -DateTimeOriginal='1987:07:14 "
                           "10:30:00' -Make=Agfa -Model='Scanner 9' -Orientation#=6 "
                           "-XMP-dc:Title='At the sea' -IPTC:Keywords=grandma "
                           "'-ICC_Profile<=" +
                           Path("profile.icc") + "' '-ThumbnailImage<=" + Path("thumb.jpg") + "' " +
                           Quoted(scan))
                              .c_str()),
              0);
  for (const char* extension : {".jpg", ".png", ".TIF"}) {
    ASSERT_EQ(RunBatchProgram({"-q", "-o", Path(std::string("kept/{name}") + extension), scans_[0],
                               scans_[1], scans_[2]}),
              0);
    for (const char* name : {"a b", "c", "d"}) {
      const std::string output = Path(std::string("kept/") + name + extension);
      EXPECT_EQ(Output("exiftool -s3 -DateTimeOriginal -Make -Model -Orientation# -EXIF:Software "
                       "-XMP-dc:Title -IPTC:Keywords " +
                       Quoted(output)),
                "1987:07:14 10:30:00\nAgfa\nScanner 9\n6\nBrumel 1.13\nAt the sea\ngrandma\n")
          << output;
      EXPECT_EQ(Output("exiftool -s3 -ThumbnailImage " + Quoted(output)), "") << output;
      EXPECT_EQ(Output("exiftool -s3 -XMP-brumel:Settings -XMP-brumel:Source " + Quoted(output)),
                kStartUpSettings + "\n" + (name == std::string("d") ? "d.tif" : "") +
                    (name == std::string("c") ? "c.png" : "") +
                    (name == std::string("a b") ? "a b.jpg" : "") + "\n")
          << output;
      const std::string profile = Output("exiftool -b -ICC_Profile " + Quoted(output));
      EXPECT_EQ(std::vector<std::uint8_t>(profile.begin(), profile.end()), SmallProfile())
          << output;
    }
  }
  // Stripped, the outputs are the window's bytes.
  for (const char* extension : {".jpg", ".TIF"}) {
    ASSERT_EQ(RunBatchProgram({"-q", "--strip-metadata", "-o",
                               Path(std::string("bare/x") + extension), scans_[2]}),
              0);
    EXPECT_EQ(testing::ReadBytes(Path(std::string("bare/x0") + extension)),
              testing::ReadBytes(WindowOutput(scans_[2], extension)));
    EXPECT_EQ(Output("exiftool -s3 -XMP:all -DateTimeOriginal " +
                     Quoted(Path(std::string("bare/x0") + extension))),
              "");
  }
}

Bitmap Loaded16(const std::string& file) {
  Bitmap picture;
  NullMessages messages;
  EXPECT_TRUE(LoadImageFile(file, picture, messages, nullptr, SampleDepth::Bits16)) << file;
  return picture;
}

TEST_F(CollectionTest, TiffOutputsWithMetadataKeepTheWritersPixels) {
  if (!Have("tiffinfo") || !Have("exiftool"))
    GTEST_SKIP() << "tiffinfo or exiftool (Debian libtiff-tools, libimage-exiftool-perl) missing";
  MakeScans(300, 200);
  for (const std::string& scan : scans_)
    ASSERT_EQ(std::system(
                  ("exiftool -q -overwrite_original -Artist=Agfa -XMP-dc:Title=Sea " + Quoted(scan))
                      .c_str()),
              0);
  ASSERT_EQ(RunBatchProgram({"-q", "-o", Path("kept/{name}.TIF"), scans_[0], scans_[1], scans_[2]}),
            0);
  ASSERT_EQ(RunBatchProgram({"-q", "--strip-metadata", "-o", Path("bare/{name}.TIF"), scans_[0],
                             scans_[1], scans_[2]}),
            0);
  for (const char* name : {"a b", "c", "d"}) {
    const std::string kept = Path(std::string("kept/") + name + ".TIF");
    EXPECT_EQ(std::system(
                  ("tiffinfo -D " + Quoted(kept) + " >/dev/null 2>" + Quoted(Path("tiffinfo.txt")))
                      .c_str()),
              0);
    EXPECT_EQ(Output("cat " + Quoted(Path("tiffinfo.txt"))), "") << kept;
    EXPECT_NE(testing::ReadBytes(kept),
              testing::ReadBytes(Path(std::string("bare/") + name + ".TIF")));
    EXPECT_TRUE(
        testing::SamePixels(Loaded(Path(std::string("bare/") + name + ".TIF")), Loaded(kept)))
        << kept;
  }
}

TEST_F(CollectionTest, AnInputWithoutMetadataGetsTheRecordAlone) {
  if (!Have("exiftool")) GTEST_SKIP() << "exiftool (Debian libimage-exiftool-perl) is missing";
  MakeScans();
  FormatRow(OutputFormat::WindowsBitmap)
      .write(Path("scans/e.bmp"), testing::Pattern(40, 30), nullptr);
  for (const char* extension : {".png", ".jpg", ".TIF"}) {
    const std::string output = Path(std::string("out/e") + extension);
    ASSERT_EQ(RunBatchProgram({"-q", "--blue", "70", "-o", output, Path("scans/e.bmp")}), 0);
    EXPECT_EQ(Output("exiftool -s3 -XMP-brumel:all -DateTimeOriginal " +
                     Quoted(Path(std::string("out/e0") + extension))),
              "--levels 0:255:1,0:255:1,0:255:1 --corner 100 --centre 100 --curve linear "
              "--gamma 180 --red 50 --green 50 --blue 70\ne.bmp\n")
        << extension;
  }
  // A bitmap has no place for it.
  ASSERT_EQ(RunBatchProgram({"-q", "-o", Path("out/x.bmp"), scans_[2]}), 0);
  EXPECT_EQ(testing::ReadBytes(Path("out/x0.bmp")),
            testing::ReadBytes(WindowOutput(scans_[2], ".bmp")));
}

TEST_F(CollectionTest, DamagedMetadataIsLeftOutAndTheOutputWritten) {
  if (!Have("exiftool")) GTEST_SKIP() << "exiftool (Debian libimage-exiftool-perl) is missing";
  MakeScans();
  // An EXIF block whose first directory lies far past its end, right after the JPEG's start.
  std::vector<std::uint8_t> jpeg = testing::ReadBytes(scans_[0]);
  const std::vector<std::uint8_t> exif = {0xff, 0xe1, 0,   16, 'E', 'x',  'i',  'f',  0,
                                          0,    'I',  'I', 42, 0,   0xff, 0xff, 0xff, 0x7f};
  jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
  testing::WriteBytes(Path("scans/damaged.jpg"), jpeg);
  for (const char* extension : {".png", ".jpg", ".TIF"}) {
    const std::string output = Path(std::string("out/damaged") + extension);
    ASSERT_EQ(
        RunBatchProgram({"-q", "-o", Path("out/{name}") + extension, Path("scans/damaged.jpg")}),
        0);
    EXPECT_EQ(Output("exiftool -s3 -XMP-brumel:Source " + Quoted(output)), "damaged.jpg\n");
    EXPECT_TRUE(testing::SamePixels(Loaded(WindowOutput(Path("scans/damaged.jpg"), extension)),
                                    Loaded(output)));
  }
}

TEST_F(CollectionTest, SettingsFromARecordRepeatTheRestoration) {
  MakeScans(120, 90);
  fs::copy_file(scans_[1], Path("scans/again.png"));
  for (const char* extension : {".png", ".TIF", ".jpg"}) {
    const std::string restored = Path(std::string("auto/c") + extension);
    ASSERT_EQ(RunBatchProgram(
                  {"-q", "--auto", "-o", Path("auto/{name}{ext}"), "-f", extension + 1, scans_[1]}),
              0);
    ASSERT_EQ(RunBatchProgram({"-q", "--settings-from", restored, "-o", Path("again/{name}{ext}"),
                               "-f", extension + 1, scans_[1]}),
              0);
    EXPECT_EQ(testing::ReadBytes(Path(std::string("again/c") + extension)),
              testing::ReadBytes(restored))
        << extension;
  }
  // The record names its own source, so another picture is compared by its pixels.
  ASSERT_EQ(RunBatchProgram({"-q", "--settings-from", Path("auto/c.TIF"), "-o",
                             Path("other/{name}.png"), Path("scans/again.png")}),
            0);
  EXPECT_TRUE(testing::SamePixels(Loaded(Path("auto/c.png")), Loaded(Path("other/again.png"))));
}

TEST_F(CollectionTest, SixteenBitMastersKeepTheirMetadataAndTheRecord) {
  if (!Have("exiftool") || !Have("convert"))
    GTEST_SKIP() << "exiftool or convert (libimage-exiftool-perl, imagemagick) is missing";
  const Bitmap deep = testing::Pattern48(60, 40, 2);
  testing::WriteBytes(Path("deep.rgb"), testing::RawRgb16(deep));
  testing::WriteBytes(Path("profile.icc"), SmallProfile());
  fs::create_directories(Path("scans"));
  const std::string master = Path("scans/master.tif");
  ASSERT_EQ(std::system(("convert -size 60x40 -depth 16 -endian MSB rgb:" + Path("deep.rgb") +
                         " -compress lzw " + Quoted(master))
                            .c_str()),
            0);
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original -DateTimeOriginal='1961:05:02 "
                         "09:00:00' -XMP-dc:Title='Harbour' '-ICC_Profile<=" +
                         Path("profile.icc") + "' " + Quoted(master))
                            .c_str()),
            0);
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--compress", "deflate", "-o", Path("out/{name}.tif")},
        {"--compress", "none", "-o", Path("out/{name}.tif")},
        {"-o", Path("out/{name}.png")},
        {"--auto", "-o", Path("auto/{name}.tif")}}) {
    std::vector<std::string> line = {"-q", "--depth", "16"};
    line.insert(line.end(), options.begin(), options.end());
    line.push_back(master);
    ASSERT_EQ(RunBatchProgram(line), 0) << options[1];
    const std::string output = Path(options[0] == "--auto"                     ? "auto/master.tif"
                                    : options.back() == Path("out/{name}.png") ? "out/master.png"
                                                                               : "out/master.tif");
    EXPECT_EQ(Output("exiftool -s3 -DateTimeOriginal -XMP-dc:Title -BitsPerSample -BitDepth " +
                     Quoted(output)),
              output.ends_with(".png") ? "1961:05:02 09:00:00\nHarbour\n16\n"
                                       : "1961:05:02 09:00:00\nHarbour\n16 16 16\n")
        << output;
    const std::string profile = Output("exiftool -b -ICC_Profile " + Quoted(output));
    EXPECT_EQ(std::vector<std::uint8_t>(profile.begin(), profile.end()), SmallProfile()) << output;
    EXPECT_EQ(Output("exiftool -s3 -XMP-brumel:Source " + Quoted(output)), "master.tif\n");
    if (options[0] != "--auto") {
      EXPECT_EQ(Output("exiftool -s3 -XMP-brumel:Settings " + Quoted(output)),
                kStartUpSettings + "\n");
    }
  }
  // Inputs worked on at once are read and written at 16 bits as one at a time.
  fs::copy_file(master, Path("scans/copy.tif"));
  ASSERT_EQ(RunBatchProgram({"-q", "--depth", "16", "-j", "2", "-o", Path("both/{name}.tif"),
                             master, Path("scans/copy.tif")}),
            0);
  EXPECT_EQ(testing::ReadBytes(Path("both/master.tif")),
            testing::ReadBytes(Path("out/master.tif")));
  EXPECT_TRUE(
      testing::SameSamples(Loaded16(Path("both/copy.tif")), Loaded16(Path("out/master.tif"))));
  // The record of an automatic run, given back, repeats its bytes at 16 bits too.
  ASSERT_EQ(RunBatchProgram({"-q", "--depth", "16", "--settings-from", Path("auto/master.tif"),
                             "-o", Path("again/{name}.tif"), master}),
            0);
  EXPECT_EQ(testing::ReadBytes(Path("again/master.tif")),
            testing::ReadBytes(Path("auto/master.tif")));
}

TEST_F(CollectionTest, SettingsFromAFileWithoutARecordIsAUsageError) {
  MakeScans();
  ASSERT_EQ(RunBatchProgram({"-q", "--strip-metadata", "-o", Path("bare/{name}.png"), scans_[1]}),
            0);
  const std::string bare = Path("bare/c.png");
  const std::string run = kProgram + " -q -o " + Quoted(Path("out/{name}.png")) + " " +
                          Quoted(scans_[0]) + " --settings-from ";
  for (const std::string& from : {bare, scans_[2], Path("no such file.png")}) {
    const std::string said = Output(run + Quoted(from) + " 2>&1; echo status $?");
    EXPECT_NE(said.find("brumel-batch: --settings-from: "), std::string::npos) << said;
    EXPECT_NE(said.find(from), std::string::npos) << said;
    EXPECT_NE(said.find("status 2"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(Path("out"))) << from;
  }
  EXPECT_NE(Output(run + Quoted(bare) + " 2>&1").find("holds no brumel:Settings"),
            std::string::npos);
  ASSERT_EQ(RunBatchProgram({"-q", "--auto", "-o", Path("auto/{name}.png"), scans_[1]}), 0);
  for (const char* other : {"--auto", "--gamma", "--levels", "--estimate"}) {
    std::vector<std::string> arguments = {"-q", "--settings-from", Path("auto/c.png"), other};
    if (other == std::string("--gamma")) arguments.push_back("200");
    if (other == std::string("--levels")) arguments.push_back("0:255:1,0:255:1,0:255:1");
    arguments.insert(arguments.end(), {"-o", Path("out/{name}.png"), scans_[0]});
    EXPECT_EQ(RunBatchProgram(arguments), 2) << other;
    EXPECT_FALSE(fs::exists(Path("out"))) << other;
  }
}

TEST_F(CollectionTest, SkipExistingCompletesAPartialRun) {
  MakeScans();
  ASSERT_EQ(
      RunBatchProgram({"-q", "-o", Path("whole/{name}.png"), scans_[0], scans_[1], scans_[2]}), 0);
  ASSERT_EQ(RunBatchProgram({"-q", "-o", Path("part/{name}.png"), scans_[1]}), 0);
  const auto before = fs::last_write_time(Path("part/c.png"));
  ASSERT_EQ(RunBatchProgram({"-q", "--skip-existing", "--report", Path("report.jsonl"), "-o",
                             Path("part/{name}.png"), scans_[0], scans_[1], scans_[2]}),
            0);
  EXPECT_EQ(Files("part"), Files("whole"));
  EXPECT_EQ(fs::last_write_time(Path("part/c.png")), before);
  const std::string report = Output("cat " + Quoted(Path("report.jsonl")));
  EXPECT_NE(report.find("\"input\":\"" + scans_[1] + "\",\"output\":\"" + Path("part/c.png") +
                        "\",\"status\":\"skipped\""),
            std::string::npos)
      << report;
}

TEST_F(CollectionTest, SigintStopsWithNoPartialOrTemporaryFile) {
  FormatRow(OutputFormat::Jpeg).write(Path("big.jpg"), testing::Pattern(1200, 900), nullptr);
  WriteList("list", std::vector<std::string>(200, Path("big.jpg")));
  for (const char* jobs : {"1", "2"}) {
    fs::remove_all(Path("out"));
    const pid_t run = Start({kProgram, "-q", "-j", jobs, "--from", Path("list"), "--report",
                             Path("report.jsonl"), "-o", Path("out/{index}.png")});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(Path("out/1.png")) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(run, SIGINT);
    EXPECT_EQ(Wait(run), 130);
    std::size_t outputs = 0;
    for (const auto& entry : fs::directory_iterator(Path("out"))) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(std::regex_match(name, std::regex("[0-9]+\\.png"))) << name;
      EXPECT_EQ(testing::ReadBytes(entry.path().string()),
                testing::ReadBytes(Path("out/0.png")));  // complete, every one
      ++outputs;
    }
    EXPECT_GE(outputs, 2u);
    EXPECT_LT(outputs, 200u) << "the run ended before the stop: make the pictures larger";
    const std::string report = Output("cat " + Quoted(Path("report.jsonl")));
    EXPECT_EQ(static_cast<std::size_t>(std::count(report.begin(), report.end(), '\n')), outputs);
  }
}

TEST_F(CollectionTest, ShardsAtOnceGiveTheWholeRun) {
  MakeScans(300, 200);
  std::vector<std::string> list;
  for (int i = 0; i < 7; ++i) list.insert(list.end(), scans_.begin(), scans_.end());
  WriteList("list", list);
  ASSERT_EQ(RunBatchProgram(
                {"-q", "--auto", "--from", Path("list"), "-o", Path("whole/{index}-{name}.jpg")}),
            0);
  std::vector<pid_t> shards;
  for (const char* shard : {"0/3", "1/3", "2/3"})
    shards.push_back(Start({kProgram, "-q", "--auto", "--shard", shard, "--from", Path("list"),
                            "-o", Path("shards/{index}-{name}.jpg")}));
  for (const pid_t shard : shards) EXPECT_EQ(Wait(shard), 0);
  EXPECT_EQ(Files("shards").size(), 21u);
  EXPECT_EQ(Files("shards"), Files("whole"));
  if (!Have("parallel")) {
    std::printf("GNU Parallel (Debian parallel) is missing: its run is not tested\n");
    return;
  }
  ASSERT_EQ(std::system(("parallel --will-cite -j3 " + kProgram +
                         " -q --auto --shard {}/3 --from " + Quoted(Path("list")) + " -o " +
                         Quoted(Path("parallel/{index}-{name}.jpg")) + " ::: 0 1 2")
                            .c_str()),
            0);
  EXPECT_EQ(Files("parallel"), Files("whole"));
}

TEST_F(CollectionTest, EveryReportLineParsesAndAgreesWithTheFiles) {
  MakeScans();
  testing::WriteBytes(Path("scans/broken.png"), {0x89, 'P', 'N', 'G'});
  const std::string quote = Path("scans/say \"hi\"\\.png");
  fs::copy_file(scans_[1], quote);
  WriteList("list", {scans_[0], Path("scans/broken.png"), scans_[2], quote});
  ASSERT_EQ(RunBatchProgram({"-q", "--keep-going", "--auto", "--from", "-", "--report",
                             Path("report.jsonl"), "-o", Path("out/{name}.jpg")},
                            Path("list")),
            1);
  std::ifstream report(Path("report.jsonl"));
  const std::string text = R"("(?:[^"\\\x00-\x1f]|\\["\\/bfnrt]|\\u[0-9a-fA-F]{4})*")";
  const std::regex record("\\{\"input\":(" + text + "),\"output\":(" + text +
                          "),\"status\":\"(written|skipped|failed)\",\"reason\":" + text +
                          ",\"width\":([0-9]+),\"height\":([0-9]+),\"seconds\":[0-9]+\\.[0-9]+"
                          ",\"settings\":(" +
                          text + "),\"host\":(" + text + ")\\}");
  std::vector<std::string> statuses;
  for (std::string line; std::getline(report, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, record)) << line;
    statuses.push_back(match[3]);
    EXPECT_EQ(match[7], "\"" + HostName() + "\"");  // a host name needs no escapes
    if (match[3] != "written") continue;
    std::string output = match[2].str().substr(1, match[2].length() - 2);
    output = std::regex_replace(output, std::regex(R"(\\(.))"), "$1");
    EXPECT_TRUE(fs::exists(output)) << output;
    EXPECT_EQ(match[4], "40");
    EXPECT_EQ(match[5], "30");
    EXPECT_EQ(match[6].str().rfind("\"--levels ", 0), 0u) << match[6];
  }
  EXPECT_EQ(statuses, (std::vector<std::string>{"written", "failed", "written", "written"}));
  EXPECT_TRUE(fs::exists(Path("out/say \"hi\"\\.jpg")));
}

TEST_F(CollectionTest, MalformedOptionsAreUsageErrorsThatWriteNothing) {
  MakeScans();
  const std::vector<std::vector<std::string>> wrong = {
      {"--shard", "3/3"},
      {"--shard", "x"},
      {"--from", Path("no such list")},
      {"-o", Path("out/{title}.png")},
      {"-o", Path("out/{name.png")},
      {"-o", Path("out/x{ext}"), "-f", "png", scans_[1]},
  };
  for (auto arguments : wrong) {
    if (arguments[0] != "-o") arguments.insert(arguments.end(), {"-o", Path("out/{name}.png")});
    arguments.insert(arguments.end(), {"--report", Path("report.jsonl"), scans_[0]});
    EXPECT_EQ(RunBatchProgram(arguments), 2) << arguments[1];
    EXPECT_FALSE(fs::exists(Path("out"))) << arguments[1];
    EXPECT_FALSE(fs::exists(Path("report.jsonl"))) << arguments[1];
  }
}

}  // namespace
}  // namespace brumel
