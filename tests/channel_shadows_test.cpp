// The shadows' reading on views made here: a saturated yellow whose blue a JPEG's colour error
// darkens block by block, and fine dark detail and grain that every channel shows.
#include "restore/channel_shadows.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "restore/reduced_view.h"

namespace brumel {
namespace {

constexpr int kWidth = 150, kHeight = 100;

// A view whose left third is a saturated yellow (blue near 0.02, varying a little) and whose
// rest holds mid tones in every channel.
std::array<std::vector<double>, 3> YellowAndGrey() {
  std::array<std::vector<double>, 3> channels;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double shade = 1 + 0.2 * ((x * 7 + y * 3) % 10) / 10.0;
      const bool yellow = x < kWidth / 3;
      channels[0].push_back(yellow ? 0.6 * shade : 0.2 * shade);
      channels[1].push_back(yellow ? 0.45 * shade : 0.18 * shade);
      channels[2].push_back(yellow ? 0.02 * shade : 0.15 * shade);
    }
  return channels;
}

double PlainShadow(std::vector<double> values) {
  return Percentile(values, kShadowShare);
}

TEST(ChannelShadows, ReadsBlueThroughAJpegsColourErrorAsInTheCleanScan) {
  const auto clean = YellowAndGrey();
  auto jpeg = clean;
  // The error moves single view pixels' blue by up to 60 % of its light either way, while the
  // colour blocks keep their means.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> error(0.4, 1.6);
  for (double& light : jpeg[2]) light *= error(random);
  const double truth = ReadShadows(clean, kWidth)[2];
  ASSERT_LT(PlainShadow(jpeg[2]), truth / 2) << "the error must take blue's plain reading far";
  const std::array<double, 3> read = ReadShadows(jpeg, kWidth);
  EXPECT_NEAR(read[2], truth, 0.25 * truth);
  // Red and green carry no error and read as they are.
  EXPECT_DOUBLE_EQ(read[0], PlainShadow(clean[0]));
  EXPECT_DOUBLE_EQ(read[1], PlainShadow(clean[1]));
}

TEST(ChannelShadows, KeepsFineDarkDetailAndGrainThatEveryChannelShows) {
  // A thin black line every tenth row, across the yellow too: 1 % of the pixels, as deep as a
  // print's black in every channel.
  auto lined = YellowAndGrey();
  for (int y = 0; y < kHeight; y += 10)
    for (int x = 0; x < kWidth; ++x)
      for (auto& channel : lined) channel[y * kWidth + x] = 0.004;
  EXPECT_DOUBLE_EQ(ReadShadows(lined, kWidth)[2], PlainShadow(lined[2]));
  // Grain: every pixel of every channel moved by up to 30 % of its light at random.
  auto grainy = YellowAndGrey();
  std::mt19937 random(11);
  std::uniform_real_distribution<double> grain(0.7, 1.3);
  for (auto& channel : grainy)
    for (double& light : channel) light *= grain(random);
  EXPECT_NEAR(ReadShadows(grainy, kWidth)[2], PlainShadow(grainy[2]),
              0.05 * PlainShadow(grainy[2]));
}

TEST(ChannelShadows, KeepsBlueWhereRedAndGreenAreBlackOverWholeNeighbourhoods) {
  // Red and green at 0 over a fifth of the view, blue just above: their readings give nothing
  // to divide by, and blue's stays the true black it is.
  auto channels = YellowAndGrey();
  for (std::size_t i = 0; i < channels[0].size() / 5; ++i) {
    channels[0][i] = channels[1][i] = 0;
    channels[2][i] = 0.0005 * (1 + i % 3);
  }
  const double blue = ReadShadows(channels, kWidth)[2];
  EXPECT_GE(blue, PlainShadow(channels[2]));
  EXPECT_LT(blue, 0.001);
}

TEST(ChannelShadows, ReadsTheSmallestAndEmptyViews) {
  const std::array<std::vector<double>, 3> one{{{0.5}, {0.4}, {0.1}}};
  const std::array<double, 3> read = ReadShadows(one, 1);
  EXPECT_DOUBLE_EQ(read[0], 0.5);
  EXPECT_DOUBLE_EQ(read[2], 0.1);
  const std::array<double, 3> none = ReadShadows({}, 0);
  EXPECT_EQ(none[2], 0);
}

}  // namespace
}  // namespace brumel
