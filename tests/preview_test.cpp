// The preview build: pane sizes, where the second pane and the panel go, and the sampling.
#include "correct/preview.h"

#include <gtest/gtest.h>

namespace brumel {
namespace {

// Each pixel holds its own column in blue and green (low and high byte) and its row in red.
Bitmap Coordinates(int width, int height) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x & 0xFF);
      p[1] = static_cast<std::uint8_t>(x >> 8);
      p[2] = static_cast<std::uint8_t>(y);
    }
  return bitmap;
}

int SourceColumn(const Bitmap& reduced, int row, int column) {
  const std::uint8_t* p = reduced.ScanLine(row) + 3 * column;
  return p[0] | p[1] << 8;
}

int SourceRow(const Bitmap& reduced, int row, int column) {
  return reduced.ScanLine(row)[3 * column + 2];
}

TEST(Preview, PaneSizeAndLayout) {
  struct Case {
    int width, height, paneWidth, paneHeight;
  };
  // Halves round to even: 5 x 0.5 gives 2, 1 x 0.5 gives 0.
  const Case cases[] = {{400, 100, 200, 50},  {100, 400, 50, 200}, {1, 1, 200, 200},
                        {5, 400, 2, 200},     {1, 400, 0, 200},    {200, 200, 200, 200},
                        {300, 150, 200, 100}, {7, 400, 4, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const std::optional<Preview> preview = BuildPreview(Coordinates(c.width, c.height), 72, 200);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->reduced.Width(), c.paneWidth);
    EXPECT_EQ(preview->reduced.Height(), c.paneHeight);
    EXPECT_EQ(preview->reduced.Format(), PixelFormat::Bits24);
    EXPECT_EQ(preview->image2Left, 72 + c.paneWidth + 10);
    EXPECT_EQ(preview->panel1Top, 200 + c.paneHeight + 10);
  }
}

TEST(Preview, NothingForAnEmptyPicture) {
  EXPECT_FALSE(BuildPreview(Bitmap(), 72, 200));
  EXPECT_FALSE(BuildPreview(Bitmap(0, 50), 72, 200));
}

TEST(Preview, ReductionTakesEveryOtherPixelAtHalfScale) {
  const std::optional<Preview> preview = BuildPreview(Coordinates(400, 100), 72, 200);
  ASSERT_TRUE(preview);
  for (int i = 0; i < 50; ++i)
    for (int x = 0; x < 200; ++x) {
      ASSERT_EQ(SourceColumn(preview->reduced, i, x), 2 * x);
      ASSERT_EQ(SourceRow(preview->reduced, i, x), 2 * i);
    }
}

TEST(Preview, EnlargementTruncatesTowardsTheSourcePixel) {
  // 3 x 2: the width is the longer side, s = 200 / 3, and the height is 133.
  const std::optional<Preview> preview = BuildPreview(Coordinates(3, 2), 72, 200);
  ASSERT_TRUE(preview);
  ASSERT_EQ(preview->reduced.Height(), 133);
  EXPECT_EQ(SourceColumn(preview->reduced, 0, 66), 0);
  EXPECT_EQ(SourceColumn(preview->reduced, 0, 67), 1);
  EXPECT_EQ(SourceColumn(preview->reduced, 0, 133), 1);
  EXPECT_EQ(SourceColumn(preview->reduced, 0, 134), 2);
  EXPECT_EQ(SourceColumn(preview->reduced, 0, 199), 2);
  EXPECT_EQ(SourceRow(preview->reduced, 66, 0), 0);
  EXPECT_EQ(SourceRow(preview->reduced, 67, 0), 1);
  EXPECT_EQ(SourceRow(preview->reduced, 132, 0), 1);
}

TEST(Preview, OnePixelFillsThePane) {
  Bitmap pixel(1, 1);
  pixel.ScanLine(0)[0] = 10, pixel.ScanLine(0)[1] = 20, pixel.ScanLine(0)[2] = 30;
  const std::optional<Preview> preview = BuildPreview(pixel, 72, 200);
  ASSERT_TRUE(preview);
  for (int i = 0; i < 200; ++i)
    for (int x = 0; x < 200; ++x) {
      const std::uint8_t* p = preview->reduced.ScanLine(i) + 3 * x;
      ASSERT_TRUE(p[0] == 10 && p[1] == 20 && p[2] == 30) << i << ", " << x;
    }
}

TEST(Preview, LastRowAndColumnOfOddSizesStayInside) {
  // w = round(W * s) may exceed W * s; the last sampled column must still be inside.
  for (int width : {3, 7, 201, 399, 401, 1001})
    for (int height : {1, 2, 3, 9, 150, 255}) {
      const std::optional<Preview> preview = BuildPreview(Coordinates(width, height), 0, 0);
      ASSERT_TRUE(preview);
      const Bitmap& r = preview->reduced;
      if (r.Empty()) continue;
      EXPECT_LT(SourceColumn(r, r.Height() - 1, r.Width() - 1), width);
      EXPECT_LT(SourceRow(r, r.Height() - 1, r.Width() - 1), height);
    }
}

}  // namespace
}  // namespace brumel
