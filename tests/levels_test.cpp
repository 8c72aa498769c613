// The levels step: its tables against hand-computed values, its ranges, and its text form read
// strictly and written back in the shortest form.
#include "correct/levels.h"

#include <gtest/gtest.h>

#include "correct/levels_text.h"
#include "platform/error.h"

namespace brumel {
namespace {

TEST(LevelsTables, IdentityGivesEverySampleBack) {
  const LevelsTables tables = MakeLevelsTables(Levels{});
  for (int channel = 0; channel < 3; ++channel)
    for (int c = 0; c < 256; ++c) ASSERT_EQ(tables[channel][c], c) << channel;
}

TEST(LevelsTables, KnownMappingsInByteOrder) {
  // Red 10:210 at gamma 2 (a square root), green 0:255 at gamma 0.5 (a square), blue 0:2:1.
  const Levels levels{{10, 210, 200}, {0, 255, 50}, {0, 2, 100}};
  const LevelsTables tables = MakeLevelsTables(levels);
  const auto& blue = tables[0];
  const auto& green = tables[1];
  const auto& red = tables[2];
  EXPECT_EQ(red[0], 0);
  EXPECT_EQ(red[10], 0);
  EXPECT_EQ(red[60], 128);   // sqrt(0.25) x 255 = 127.5
  EXPECT_EQ(red[110], 180);  // sqrt(0.5) x 255 = 180.3
  EXPECT_EQ(red[160], 221);  // sqrt(0.75) x 255 = 220.8
  EXPECT_EQ(red[210], 255);
  EXPECT_EQ(red[255], 255);
  EXPECT_EQ(green[128], 64);   // 128^2 / 255 = 64.25
  EXPECT_EQ(green[200], 157);  // 200^2 / 255 = 156.9
  EXPECT_EQ(green[255], 255);
  EXPECT_EQ(blue[0], 0);
  EXPECT_EQ(blue[1], 128);
  EXPECT_EQ(blue[2], 255);
  EXPECT_EQ(blue[200], 255);
}

TEST(LevelsTables, LevelsOutOfRangeAreRefused) {
  for (const ChannelLevels& wrong :
       {ChannelLevels{100, 100, 100}, ChannelLevels{200, 100, 100}, ChannelLevels{0, 256, 100},
        ChannelLevels{-1, 255, 100}, ChannelLevels{0, 255, 9}, ChannelLevels{0, 255, 1001}}) {
    EXPECT_FALSE(LevelsInRange(wrong)) << wrong.black << ":" << wrong.white << ":" << wrong.gamma;
    EXPECT_THROW(MakeLevelsTables(Levels{{}, wrong, {}}), Error);
  }
}

TEST(LevelsText, ReadsWhatTheOptionTakes) {
  EXPECT_EQ(ParseLevels("0:255:1,0:255:1,0:255:1"), Levels{});
  EXPECT_EQ(ParseLevels("12:240:1.1,8:231:0.95,30:250:1.32"),
            (Levels{{12, 240, 110}, {8, 231, 95}, {30, 250, 132}}));
  EXPECT_EQ(ParseLevels("0:1:0.1,254:255:10,5:6:10.00"),
            (Levels{{0, 1, 10}, {254, 255, 1000}, {5, 6, 1000}}));
  EXPECT_EQ(ParseLevels("007:0255:01.50,0:255:1,0:255:1"), (Levels{{7, 255, 150}, {}, {}}));
}

TEST(LevelsText, RefusesAnythingElse) {
  for (const char* wrong : {"",
                            "0:255:1",
                            "0:255:1,0:255:1",
                            "0:255:1,0:255:1,0:255:1,",
                            "0:255:1,0:255:1,0:255:1,0",
                            "10:10:1,0:255:1,0:255:1",
                            "20:10:1,0:255:1,0:255:1",
                            "0:256:1,0:255:1,0:255:1",
                            "255:255:1,0:255:1,0:255:1",
                            "0:255:0.09,0:255:1,0:255:1",
                            "0:255:10.01,0:255:1,0:255:1",
                            "0:255:1.123,0:255:1,0:255:1",
                            "0:255:1.,0:255:1,0:255:1",
                            "0:255:.5,0:255:1,0:255:1",
                            "0:255:1,5,0:255:1,0:255:1",
                            "0:255:1,0:255:+1,0:255:1",
                            "-1:255:1,0:255:1,0:255:1",
                            " 0:255:1,0:255:1,0:255:1",
                            "0:255:1 ,0:255:1,0:255:1",
                            "0:255:1e0,0:255:1,0:255:1",
                            "0:255,0:255:1,0:255:1",
                            "0:255:1:1,0:255:1,0:255:1",
                            "0:255:99999999999,0:255:1,0:255:1",
                            "0::1,0:255:1,0:255:1",
                            "0:255:1;0:255:1;0:255:1"})
    EXPECT_FALSE(ParseLevels(wrong)) << '"' << wrong << '"';
}

TEST(LevelsText, WrittenShortestAndReadBack) {
  EXPECT_EQ(LevelsText(Levels{}), "0:255:1,0:255:1,0:255:1");
  EXPECT_EQ(LevelsText({{12, 240, 110}, {8, 231, 95}, {30, 250, 132}}),
            "12:240:1.1,8:231:0.95,30:250:1.32");
  EXPECT_EQ(LevelsText({{0, 1, 10}, {254, 255, 1000}, {5, 6, 105}}), "0:1:0.1,254:255:10,5:6:1.05");
  for (int gamma = kLevelsGamma.minimum; gamma <= kLevelsGamma.maximum; ++gamma) {
    const Levels levels{{1, 2, gamma}, {}, {3, 200, gamma}};
    ASSERT_EQ(ParseLevels(LevelsText(levels)), levels) << LevelsText(levels);
  }
}

}  // namespace
}  // namespace brumel
