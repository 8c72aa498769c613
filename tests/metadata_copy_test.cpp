// The metadata carried into outputs written on several threads at once: each output gets its
// record, whatever the other threads are doing with the library at the same moment.
#include "batch/metadata_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "formats/formats.h"
#include "image_test_support.h"

namespace brumel {
namespace {

bool Holds(const std::vector<std::uint8_t>& bytes, const std::string& text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

class MetadataCopyTest : public testing::TempFolderTest {};

// libexiv2 registers Brumel's namespace with its XMP toolkit anew for every packet it makes; a
// thread making its packet meanwhile used to find the namespace gone, and its output was
// written without any XMP, record and all, and without a word.
TEST_F(MetadataCopyTest, EveryOutputOfConcurrentJobsGetsItsRecord) {
  const std::string input = Path("scan.jpg");
  FormatRow(OutputFormat::Jpeg).write(input, testing::Pattern(24, 16), nullptr);
  const std::vector<std::uint8_t> written = testing::ReadBytes(input);
  // The clash is rare and comes in bursts: the jobs keep at it for a few seconds, or until it
  // shows, so that it is all but sure to.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  std::atomic<int> outputs{0}, withoutRecord{0};
  std::vector<std::thread> jobs;
  for (int job = 0; job < 4; ++job)
    jobs.emplace_back([&, job] {
      for (int i = 0; withoutRecord == 0 && std::chrono::steady_clock::now() < until;
           ++i, ++outputs) {
        std::vector<std::uint8_t> bytes = written;
        const std::string settings = "--gamma " + std::to_string(job) + "-" + std::to_string(i);
        AddMetadata(input, bytes, Path("out.jpg"), "Brumel test", {settings, "scan.jpg"});
        if (!Holds(bytes, settings)) ++withoutRecord;
      }
    });
  for (std::thread& job : jobs) job.join();
  EXPECT_EQ(withoutRecord.load(), 0) << "of " << outputs.load() << " outputs";
}

}  // namespace
}  // namespace brumel
