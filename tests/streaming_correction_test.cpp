// The correction that runs while a reader produces the picture: the bytes equal the direct
// reference however the rows arrive, a read that ends early leaves no thread and no unreported
// row touched, and the pictures it leaves to the caller come out unchanged.
#include "correct/streaming_correction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "correct/correct_bitmap.h"
#include "correct/fast_correction.h"
#include "correction_test_support.h"

namespace brumel {
namespace {

using testing::RandomBitmap;
using testing::RandomPositions;
using testing::SameBytes;

// Plays a reader: the picture starts white, and chunks of random sizes (up to maxChunk rows) of
// the source are written into it and reported, until the row limit; then the end is reported.
void Read(const Bitmap& source, Bitmap& picture, RowProgress& progress, std::mt19937& random,
          int maxChunk, int limit, bool complete) {
  picture = Bitmap(source.Width(), source.Height());
  progress.Started(picture);
  std::uniform_int_distribution<int> chunk(1, maxChunk);
  for (int row = 0; row < limit;) {
    const int end = std::min(limit, row + chunk(random));
    for (; row < end; ++row)
      std::memcpy(picture.ScanLine(row), source.ScanLine(row), source.Stride());
    progress.RowsFinished(row);
    // As slow as a decoder, so that the worker catches up and waits for rows.
    std::this_thread::sleep_for(std::chrono::microseconds(20));
  }
  progress.Ended(complete);
}

// Large enough for the pass to use a second thread, which the streaming correction needs.
bool Streams(int width, int height) {
  return CorrectionThreadCount(width, height) > 1;
}

// Rows compared as a writer reads them: each as soon as AwaitRows has let it through.
::testing::AssertionResult RowsAsAwaited(const Bitmap& picture, const Bitmap& reference,
                                         RowGate& gate, std::mt19937& random) {
  std::uniform_int_distribution<int> step(1, 40);
  for (int row = 0; row < picture.Height();) {
    const int end = std::min(picture.Height(), row + step(random));
    gate.AwaitRows(end);
    for (; row < end; ++row)
      if (std::memcmp(picture.ScanLine(row), reference.ScanLine(row), picture.Stride()) != 0)
        return ::testing::AssertionFailure() << "row " << row;
  }
  return ::testing::AssertionSuccess();
}

TEST(StreamingCorrection, RowsArrivingInAnyChunksGiveTheReferenceBytes) {
  std::mt19937 random(8);
  for (int i = 0; i < 6; ++i) {
    const int width = std::uniform_int_distribution<int>(513, 700)(random);
    const int height = std::uniform_int_distribution<int>(513, 640)(random);
    const Bitmap source = RandomBitmap(width, height, random);
    const CorrectionSettings settings = SettingsFromPositions(RandomPositions(random));
    Bitmap reference = source;
    CorrectBitmapReference(reference, reference, settings);

    Bitmap moved;
    {
      StreamingCorrection alongside(settings);
      Bitmap picture;
      Read(source, picture, alongside, random, i % 2 == 0 ? 3 : 70, height, true);
      ASSERT_EQ(alongside.Corrects(), Streams(width, height));
      if (!alongside.Corrects()) continue;
      // As the reader hands its picture on: the correction follows the pixels.
      moved = std::move(picture);
      // Half of the cases leave the rest of the correction to the destructor.
      if (i < 3) {
        EXPECT_TRUE(RowsAsAwaited(moved, reference, alongside, random)) << "case " << i;
      }
    }
    EXPECT_TRUE(SameBytes(moved, reference)) << width << " x " << height << ", case " << i;
  }
}

TEST(StreamingCorrection, AReadEndingEarlyStopsAndLeavesTheRowsNotReportedAlone) {
  std::mt19937 random(9);
  const Bitmap source = RandomBitmap(800, 600, random);
  const Bitmap white(800, 600);
  for (const int limit : {0, 1, 17, 300, 599}) {
    StreamingCorrection alongside(SettingsFromPositions({}));
    Bitmap picture;
    Read(source, picture, alongside, random, 20, limit, false);
    EXPECT_FALSE(alongside.Corrects());
    for (int y = limit; y < 600; ++y)
      ASSERT_EQ(std::memcmp(picture.ScanLine(y), white.ScanLine(y), white.Stride()), 0)
          << "row " << y << " after a read ended at " << limit;
  }
  // A reader that never reports the end: going out of scope stops the worker all the same.
  Bitmap picture(800, 600);
  {
    StreamingCorrection alongside(SettingsFromPositions({}));
    alongside.Started(picture);
    alongside.RowsFinished(40);
  }
  SUCCEED();
}

TEST(StreamingCorrection, PicturesItLeavesToTheCallerComeOutUnchanged) {
  std::mt19937 random(10);
  CorrectionSettings steep = SettingsFromPositions({});
  steep.Gamma = 5;  // beyond the fast pass's lookup
  const struct {
    int width, height;
    CorrectionSettings settings;
  } cases[] = {
      {200, 200, SettingsFromPositions({})}, {1, 1, SettingsFromPositions({})}, {800, 600, steep}};
  for (const auto& c : cases) {
    const Bitmap source = RandomBitmap(c.width, c.height, random);
    StreamingCorrection alongside(c.settings);
    Bitmap picture;
    Read(source, picture, alongside, random, 9, c.height, true);
    EXPECT_FALSE(alongside.Corrects()) << c.width << " x " << c.height;
    EXPECT_TRUE(SameBytes(picture, source)) << c.width << " x " << c.height;
  }
  // An end without a start, as after a file that failed before its picture was there.
  StreamingCorrection alongside(SettingsFromPositions({}));
  alongside.Ended(true);
  EXPECT_FALSE(alongside.Corrects());
}

}  // namespace
}  // namespace brumel
