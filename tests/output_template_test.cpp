// The batch's output names from templates, the clashes refused before anything is written, the
// inputs a shard or a resumed run takes, and the removal of what killed runs left staged.
#include "batch/output_template.h"

#include <gtest/gtest.h>

#include "batch/select_inputs.h"
#include "batch/stale_files.h"
#include "image_test_support.h"
#include "platform/machine_name.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

BatchRequest Request(std::vector<std::string> inputs, std::string output,
                     OutputFormat format = OutputFormat::Png) {
  BatchRequest request;
  request.inputs = std::move(inputs);
  request.outputName = std::move(output);
  request.format = format;
  request.templateNames = true;
  return request;
}

TEST(OutputTemplate, EveryFieldAndBothBraces) {
  const BatchRequest request = Request({"scans/1987/grandma at the sea.tif", "b.jpeg"},
                                       "out/{name}-{index}{{x}}{ext}", OutputFormat::Jpeg);
  EXPECT_EQ(OutputNameOf(request, 0), "out/grandma at the sea-0{x}.jpg");
  EXPECT_EQ(OutputNameOf(request, 1), "out/b-1{x}.jpg");
  EXPECT_EQ(OutputNameOf(Request({"a.png"}, "{name}{ext}", OutputFormat::Tiff), 0), "a.TIF");
  // Without a brace the window's naming stays.
  EXPECT_EQ(OutputNameOf(Request({"a.png", "b.png"}, "out/photo.jpg"), 1), "out/photo1.png");
  // The window's names are taken as typed, braces and all.
  BatchRequest window = Request({"a.png"}, "{name}.png");
  window.templateNames = false;
  EXPECT_EQ(OutputNameOf(window, 0), "{name}0.png");
}

TEST(OutputTemplate, IndexIsThePositionInTheWholeList) {
  BatchRequest request = Request({"a.png", "b.png", "c.png", "d.png", "e.png"}, "{index}.png");
  const BatchRequest shard = ShardOf(request, {1, 2});
  ASSERT_EQ(shard.inputs, (std::vector<std::string>{"b.png", "d.png"}));
  EXPECT_EQ(OutputNameOf(shard, 1), "3.png");
  request.outputName = "plain.png";
  EXPECT_EQ(OutputNameOf(ShardOf(request, {1, 2}), 1), "plain3.png");
}

TEST(OutputTemplate, ProblemsSayWhatIsWrong) {
  EXPECT_FALSE(TemplateProblem("{name}{{}}{index}{ext}"));
  EXPECT_FALSE(TemplateProblem("no template.png"));
  EXPECT_FALSE(TemplateProblem("a}.png"));  // only a "{" makes a template
  for (const char* wrong : {"{nam}.png", "{}.png", "{name.png", "a}{name}.png", "{na{me}.png"}) {
    const auto problem = TemplateProblem(wrong);
    ASSERT_TRUE(problem) << wrong;
    EXPECT_NE(problem->find(wrong), std::string::npos) << *problem;
  }
  EXPECT_NE(TemplateProblem("{nam}.png")->find("{nam}"), std::string::npos);
}

class OutputClashTest : public testing::TempFolderTest {};

TEST_F(OutputClashTest, SameOutputOrAnInputIsRefusedNamingBoth) {
  const std::string a = Path("x/a.png"), b = Path("y/a.jpg");
  auto clash = OutputClash(Request({a, b}, Path("out/{name}.png")));
  ASSERT_TRUE(clash);
  EXPECT_NE(clash->find(a), std::string::npos);
  EXPECT_NE(clash->find(b), std::string::npos);
  // Through another spelling of the same folder.
  clash = OutputClash(Request({a}, Path("out/../x/{name}.png")));
  ASSERT_TRUE(clash);
  EXPECT_NE(clash->find("overwrite the input " + a), std::string::npos);
  EXPECT_FALSE(OutputClash(Request({a, b}, Path("out/{name}-{index}.png"))));
  EXPECT_FALSE(OutputClash(Request({a, b}, Path("out/photo.png"))));
}

TEST_F(OutputClashTest, AnOutputReachingAnInputThroughALinkIsFound) {
  testing::WriteBytes(Path("scan.png"), {1});
  fs::create_hard_link(Path("scan.png"), Path("hard0.png"));
  fs::create_symlink(Path("scan.png"), Path("soft0.png"));
  for (const char* output : {"hard.png", "soft.png"}) {
    const auto problem = OutputOverInput(Request({Path("scan.png")}, Path(output)));
    ASSERT_TRUE(problem) << output;
    EXPECT_EQ(*problem, "the output " + OutputNameOf(Request({""}, Path(output)), 0) +
                            " would overwrite the input " + Path("scan.png"));
  }
  EXPECT_FALSE(OutputOverInput(Request({Path("scan.png")}, Path("other.png"))));
}

TEST_F(OutputClashTest, FoldersAreCreated) {
  const BatchRequest request = Request({"a.png", "b.png"}, Path("deep/er/{name}/x.png"));
  CreateOutputFolders(request);
  EXPECT_TRUE(fs::is_directory(Path("deep/er/a")));
  EXPECT_TRUE(fs::is_directory(Path("deep/er/b")));
  testing::WriteBytes(Path("file"), {1});
  EXPECT_THROW(CreateOutputFolders(Request({"a.png"}, Path("file/{name}.png"))), Error);
}

TEST(SelectInputs, ShardsSplitTheListWithoutOverlap) {
  std::string problem;
  const auto shard = ParseShard("2/3", problem);
  ASSERT_TRUE(shard);
  EXPECT_EQ(shard->index, 2u);
  EXPECT_EQ(shard->count, 3u);
  for (const char* wrong : {"3/3", "x", "1", "1/0", "-1/3", "1/3/4", "1/ 3", "/3", "1/2000000"}) {
    EXPECT_FALSE(ParseShard(wrong, problem)) << wrong;
    EXPECT_NE(problem.find("--shard"), std::string::npos);
  }
  std::vector<std::string> inputs;
  for (int i = 0; i < 10; ++i) inputs.push_back(std::to_string(i));
  const BatchRequest whole = Request(inputs, "{index}.png");
  std::vector<std::string> seen;
  for (std::size_t k = 0; k < 3; ++k) {
    const BatchRequest part = ShardOf(whole, {k, 3});
    for (std::size_t i = 0; i < part.inputs.size(); ++i) {
      EXPECT_EQ(std::stoul(part.inputs[i]) % 3, k);
      seen.push_back(OutputNameOf(part, i));
    }
  }
  std::sort(seen.begin(), seen.end());
  std::vector<std::string> all;
  for (std::size_t i = 0; i < 10; ++i) all.push_back(OutputNameOf(whole, i));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(seen, all);
}

class ResumeTest : public testing::TempFolderTest {};

TEST_F(ResumeTest, InputsWithAnOutputAreTakenOut) {
  BatchRequest request = Request({"a.png", "b.png", "c.png"}, Path("{name}.jpg"));
  request = ShardOf(request, {0, 1});
  testing::WriteBytes(Path("b.jpg"), {1});
  const std::vector<InputRecord> done = TakeOutExistingOutputs(request);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].input, "b.png");
  EXPECT_EQ(done[0].output, Path("b.jpg"));
  EXPECT_EQ(done[0].status, InputStatus::Skipped);
  EXPECT_EQ(request.inputs, (std::vector<std::string>{"a.png", "c.png"}));
  EXPECT_EQ(OutputNameOf(request, 1), Path("c.jpg"));
}

void WriteAged(const std::string& file, std::time_t seconds) {
  testing::WriteBytes(file, {1});
  testing::SetChangedAgo(file, seconds);
}

// A staged file says which machine and which process wrote it: only this machine can tell
// whether the process is gone, so only this machine's stale files go, and other machines'
// are left, the ones a day old named.
TEST_F(ResumeTest, OnlyThisMachinesStagedFilesOfDeadRunsAreRemoved) {
  const std::string here = MachineNameInFiles(), elsewhere = "scan-node-2";
  ASSERT_NE(here, elsewhere);
  const std::string dead = "999999999", live = std::to_string(getppid());
  const std::vector<std::string> stale = {
      ".brumel-" + here + "-" + dead + "-3", ".brumel-" + here + "-" + dead + "-a1B2c3",
      ".brumel-" + dead + "-4",  // the names of older versions, judged as they always were
      ".brumel-" + dead + "-d4E5f6"};
  const std::vector<std::string> kept = {".brumel-" + here + "-" + live + "-1",
                                         ".brumel-" + live + "-2",
                                         ".brumel-" + elsewhere + "-" + dead + "-6",
                                         ".brumel-" + elsewhere + "-" + dead + "-b7C8d9",
                                         ".brumel-" + dead + "-x",
                                         "brumel-" + dead + "-3",
                                         ".notes",
                                         "photo.png"};
  for (const auto& names : {stale, kept})
    for (const std::string& name : names) WriteAged(Path(name), 3600);
  const std::string abandoned = ".brumel-" + elsewhere + "-" + dead + "-7";
  WriteAged(Path(abandoned), 3 * kAbandonedAfterSeconds);
  const std::string changedDuringTheRun = ".brumel-" + here + "-" + dead + "-8";
  WriteAged(Path(changedDuringTheRun), -5);
  const std::time_t start = std::time(nullptr);
  const StaleFilesCleared cleared =
      RemoveStaleStagedFiles(Request({"a.png"}, Path("{name}.png")), start);
  EXPECT_EQ(cleared.removed, stale.size());
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(Path(name))) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(Path(name))) << name;
  EXPECT_TRUE(fs::exists(Path(abandoned)));
  EXPECT_TRUE(fs::exists(Path(changedDuringTheRun)));
  ASSERT_EQ(cleared.abandoned.size(), 1u);
  EXPECT_EQ(cleared.abandoned[0].path, Path(abandoned));
  EXPECT_NEAR(cleared.abandoned[0].ageSeconds, 3 * kAbandonedAfterSeconds, 5);
}

}  // namespace
}  // namespace brumel
