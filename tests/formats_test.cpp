// The format table: the dialogs' filters and the save filter numbers, the names and extensions
// every caller takes from it, and one row per format.
#include "formats/formats.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "formats/file_name.h"
#include "platform/error.h"

namespace brumel {
namespace {

TEST(FormatTable, DialogFiltersAreTheWindowsOwn) {
  EXPECT_EQ(OpenDialogFilter(), "bitmap|*.bmp|jpeg|*.jpg|Ping|*.png|Tif|*.tif");
  EXPECT_EQ(SaveDialogFilter(), "Ping|*.PNG|Jpeg|*.JPG|BitMap|*.BMP|tif (uncompressed)|*.tif");
}

TEST(FormatTable, SaveFilterNumbersFollowTheTableAndNothingElseIsAFormat) {
  EXPECT_EQ(FormatOfSaveFilter(1), OutputFormat::Png);
  EXPECT_EQ(FormatOfSaveFilter(2), OutputFormat::Jpeg);
  EXPECT_EQ(FormatOfSaveFilter(3), OutputFormat::WindowsBitmap);
  EXPECT_EQ(FormatOfSaveFilter(4), OutputFormat::Tiff);
  for (int outside : {0, -1, 5}) {
    try {
      FormatOfSaveFilter(outside);
      ADD_FAILURE() << outside;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Unknown output format");
    }
  }
  const std::span<const PictureFormat> rows = PictureFormats();
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(FormatOfSaveFilter(static_cast<int>(i) + 1), rows[i].format);
}

TEST(FormatTable, EachFormatHasOneRowWithDistinctNamesAndExtensions) {
  std::set<std::string> names, extensions;
  for (const PictureFormat& row : PictureFormats()) {
    EXPECT_EQ(&FormatRow(row.format), &row);
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
    EXPECT_TRUE(extensions.insert(row.loadExtension).second) << row.loadExtension;
    EXPECT_EQ(UpperAscii(row.loadExtension), row.loadExtension);
    EXPECT_NE(row.read, nullptr);
    EXPECT_NE(row.write, nullptr);
  }
  EXPECT_EQ(names.size(), PictureFormats().size());
}

TEST(FormatTable, NamesAndExtensionsAsTheCallersShowThem) {
  EXPECT_EQ(FormatNames(), "png, jpg, bmp or tif");
  EXPECT_EQ(FormatNames("."), ".png, .jpg, .bmp or .tif");
  EXPECT_EQ(FormatNames(".", FormatOrder::Alphabetical), ".bmp, .jpg, .png or .tif");
  EXPECT_STREQ(FormatRow(OutputFormat::Png).outputExtension, ".png");
  EXPECT_STREQ(FormatRow(OutputFormat::Jpeg).outputExtension, ".jpg");
  EXPECT_STREQ(FormatRow(OutputFormat::WindowsBitmap).outputExtension, ".bmp");
  EXPECT_STREQ(FormatRow(OutputFormat::Tiff).outputExtension, ".TIF");
}

TEST(FormatTable, TheLoaderFindsARowByTheUpperCasedExtensionOnly) {
  EXPECT_EQ(FormatOfFileName("a.png")->format, OutputFormat::Png);
  EXPECT_EQ(FormatOfFileName("dir/B.JpG")->format, OutputFormat::Jpeg);
  EXPECT_EQ(FormatOfFileName("c:x.bmp")->format, OutputFormat::WindowsBitmap);
  EXPECT_EQ(FormatOfFileName("d.Tif")->format, OutputFormat::Tiff);
  for (const char* other : {"e.jpeg", "f.tiff", "g", "h.png/", "png", ".png.gz"})
    EXPECT_EQ(FormatOfFileName(other), nullptr) << other;
}

}  // namespace
}  // namespace brumel
