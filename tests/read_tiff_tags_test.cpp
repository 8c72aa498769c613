// The TIFF header and the directory chain: entries and strip tables in both byte orders, and
// chains that end, loop or run on without bound.
#include "formats/tiff/read_tiff_tags.h"

#include <gtest/gtest.h>

#include "image_test_support.h"
#include "tiff_builder.h"

namespace brumel {
namespace {

using tiff_test::TiffBuilder;

void ReadMemory(TFileTiff& tiff, const TiffBuilder& builder, const std::string& name = "m.tif") {
  MemoryByteSource source(builder.Bytes());
  tiff.ReadFrom(name, source);
}

TEST(TiffDirectory, EntriesAndStripsInBothByteOrders) {
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "II" : "MM");
    TiffBuilder builder(little);
    const std::uint32_t offsets = builder.AppendLongs({100, 200, 70000});
    const std::uint32_t counts = builder.AppendLongs({10, 20, 30});
    const std::uint32_t at = builder.AddDirectory({{256, 4, 1, 1},
                                                   {257, 3, 1, 640},
                                                   {273, 4, 3, offsets},
                                                   {279, 4, 3, counts},
                                                   {256, 4, 1, 2}});
    TFileTiff tiff;
    ReadMemory(tiff, builder);
    ASSERT_TRUE(tiff.Valid());
    EXPECT_EQ(tiff.LittleEndian(), little);
    ASSERT_EQ(tiff.DirectoryCount(), 1u);
    EXPECT_EQ(tiff.Directory(1), nullptr);
    const TGraphicTiff& directory = *tiff.Directory(0);
    EXPECT_EQ(directory.EntryCount(), 5);
    EXPECT_EQ(directory.EntriesEnd(), at + 2 + 5 * 12);
    EXPECT_EQ(directory.NextOffset(), 0u);
    EXPECT_EQ(directory.FindEntry(257)->Value, 640u);
    EXPECT_EQ(directory.FindEntry(256)->Value, 2u);  // the later of two entries wins
    EXPECT_EQ(directory.FindEntry(258), nullptr);
    ASSERT_EQ(directory.StripCount(), 3);
    EXPECT_EQ(directory.Strip(2)->Offset, 70000u);
    EXPECT_EQ(directory.Strip(2)->ByteCount, 30u);
    EXPECT_EQ(directory.Strip(3), nullptr);
  }
}

TEST(TiffDirectory, StripTables) {
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "II" : "MM");
    TiffBuilder builder(little);
    const std::uint32_t shortCounts = builder.AppendShorts({5, 6, 7});
    const std::uint32_t longs = builder.AppendLongs({1, 2});
    // Two SHORT values inside the value word, first one first in the file.
    const std::uint32_t pair = little ? 8 | 9u << 16 : 8u << 16 | 9;
    builder.AddDirectory({{273, 4, 1, 4000}, {279, 3, 1, 77}});
    builder.AddDirectory({{273, 4, 2, longs}, {279, 4, 1, 9}});
    builder.AddDirectory({{259, 3, 1, 1}});
    builder.AddDirectory({{273, 4, 3, longs}, {279, 3, 3, shortCounts}});
    builder.AddDirectory({{273, 3, 2, pair}, {279, 3, 2, pair}});
    TFileTiff tiff;
    ReadMemory(tiff, builder);
    ASSERT_EQ(tiff.DirectoryCount(), 5u);
    const TGraphicTiff& single = *tiff.Directory(0);
    ASSERT_EQ(single.StripCount(), 1);
    EXPECT_EQ(single.Strip(0)->Offset, 4000u);
    EXPECT_EQ(single.Strip(0)->ByteCount, 77u);
    for (std::size_t i : {1, 2}) {
      EXPECT_EQ(tiff.Directory(i)->StripCount(), 0);
      EXPECT_EQ(tiff.Directory(i)->Strip(0), nullptr);
    }
    const TGraphicTiff& shorts = *tiff.Directory(3);
    ASSERT_EQ(shorts.StripCount(), 3);
    EXPECT_EQ(shorts.Strip(1)->Offset, 2u);
    EXPECT_EQ(shorts.Strip(2)->ByteCount, 7u);
    const TGraphicTiff& inlinePair = *tiff.Directory(4);
    ASSERT_EQ(inlinePair.StripCount(), 2);
    EXPECT_EQ(inlinePair.Strip(0)->Offset, 8u);
    EXPECT_EQ(inlinePair.Strip(1)->ByteCount, 9u);
  }
}

TEST(TiffChain, EveryDirectoryIsReachedAndRepeatsEndTheChain) {
  TiffBuilder many;
  for (std::uint32_t i = 0; i < 300; ++i) many.AddDirectory({{256, 4, 1, i}});
  TFileTiff tiff;
  ReadMemory(tiff, many);
  ASSERT_EQ(tiff.DirectoryCount(), 300u);
  EXPECT_EQ(tiff.Directory(299)->FindEntry(256)->Value, 299u);

  TiffBuilder loop;
  const std::uint32_t first = loop.AddDirectory({{256, 4, 1, 1}});
  loop.AddDirectory({{256, 4, 1, 2}});
  const std::uint32_t last = loop.AddDirectory({{256, 4, 1, 3}});
  loop.SetNext(last, first);
  ReadMemory(tiff, loop);
  EXPECT_EQ(tiff.DirectoryCount(), 3u);
  loop.SetNext(first, first);
  ReadMemory(tiff, loop);
  EXPECT_EQ(tiff.DirectoryCount(), 1u);
}

TEST(TiffChain, OffsetsOutsideTheChainsRange) {
  TFileTiff tiff;
  for (std::uint32_t offset : {0u, 4u, 7u, 0x80000000u, 0xFFFFFFFFu}) {
    TiffBuilder builder;
    builder.AddDirectory({{256, 4, 1, 1}});
    builder.SetFirst(offset);
    ReadMemory(tiff, builder);
    EXPECT_TRUE(tiff.Valid());
    EXPECT_EQ(tiff.DirectoryCount(), 0u) << offset;

    TiffBuilder next;
    next.SetNext(next.AddDirectory({{256, 4, 1, 1}}), offset);
    ReadMemory(tiff, next);
    EXPECT_EQ(tiff.DirectoryCount(), 1u) << offset;
  }
  // Past the end of the data: a directory that holds nothing and ends the chain.
  TiffBuilder beyond;
  beyond.SetFirst(5000);
  ReadMemory(tiff, beyond);
  ASSERT_EQ(tiff.DirectoryCount(), 1u);
  EXPECT_EQ(tiff.Directory(0)->EntryCount(), 0);
  EXPECT_EQ(tiff.Directory(0)->NextOffset(), 0u);
}

TEST(TiffChain, EndlessChainsAreCut) {
  // Empty directories, each pointing at the next.
  TiffBuilder empty;
  for (std::size_t i = 0; i < kMaxDirectories + 10; ++i) empty.AddDirectory({});
  TFileTiff tiff;
  ReadMemory(tiff, empty);
  EXPECT_EQ(tiff.DirectoryCount(), kMaxDirectories);

  // Overlapping directories of 65535 entries each: the tables' bytes bound the walk.
  constexpr std::uint32_t kChain = 200;
  constexpr std::uint32_t kSpan = 2 + 12 * 65535;
  std::vector<std::uint8_t> bytes(8 + 4 * kChain + kSpan + 4);
  bytes[0] = bytes[1] = 'I';
  bytes[2] = 42;
  auto put32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
  };
  put32(4, 8);
  for (std::uint32_t k = 0; k < kChain; ++k) {
    bytes[8 + 4 * k] = bytes[9 + 4 * k] = 0xFF;
    put32(8 + 4 * k + kSpan, 8 + 4 * (k + 1));
  }
  MemoryByteSource source(bytes);
  tiff.ReadFrom("wide.tif", source);
  EXPECT_LT(tiff.DirectoryCount(), kChain);
  std::uint64_t held = 0;
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) held += tiff.Directory(i)->TableBytes();
  EXPECT_LT(held, kMaxTableBytes + 2 * kSpan);
}

TEST(TiffHeader, MarksMagicAndShortFiles) {
  TFileTiff tiff;
  TiffBuilder good(false);
  good.AddDirectory({{256, 4, 1, 1}});
  ReadMemory(tiff, good, "good.tif");
  ASSERT_TRUE(tiff.Valid());
  EXPECT_FALSE(tiff.LittleEndian());
  EXPECT_EQ(tiff.FileSize(), good.Bytes().size());

  // A wrong magic number or mark is not valid, but the name is taken and the chain followed.
  TiffBuilder magic(true, 43);
  magic.AddDirectory({{256, 4, 1, 1}});
  ReadMemory(tiff, magic, "magic.tif");
  EXPECT_FALSE(tiff.Valid());
  EXPECT_EQ(tiff.FileName(), "magic.tif");
  EXPECT_EQ(tiff.DirectoryCount(), 1u);
  std::vector<std::uint8_t> mark = good.Bytes();
  mark[0] = 'X';
  MemoryByteSource markSource(mark);
  tiff.ReadFrom("mark.tif", markSource);
  EXPECT_FALSE(tiff.Valid());

  const std::vector<std::uint8_t> shortHeader = {'I', 'I', 42, 0, 8, 0, 0};
  MemoryByteSource shortSource(shortHeader);
  tiff.ReadFrom("short.tif", shortSource);
  EXPECT_FALSE(tiff.Valid());
  EXPECT_EQ(tiff.FileName(), "mark.tif");
  EXPECT_EQ(tiff.DirectoryCount(), 0u);
}

using TiffFileName = testing::TempFolderTest;

TEST_F(TiffFileName, ReadsOnceCreatesNothingAndEmpties) {
  const std::string missing = Path("missing.tif");
  TFileTiff tiff;
  tiff.SetFileName(missing);
  EXPECT_FALSE(tiff.Valid());
  EXPECT_TRUE(Entries().empty());

  const std::string name = Path("a.tif");
  TiffBuilder one;
  one.AddDirectory({{256, 4, 1, 1}});
  testing::WriteBytes(name, one.Bytes());
  tiff.SetFileName(name);
  ASSERT_EQ(tiff.DirectoryCount(), 1u);
  one.AddDirectory({{256, 4, 1, 2}});
  testing::WriteBytes(name, one.Bytes());
  tiff.SetFileName(name);
  EXPECT_EQ(tiff.DirectoryCount(), 1u);  // the same name is not read again

  tiff.SetFileName("");
  EXPECT_EQ(tiff.FileName(), "");
  EXPECT_EQ(tiff.FileSize(), 0u);
  EXPECT_FALSE(tiff.Valid());
  EXPECT_EQ(tiff.DirectoryCount(), 0u);
  tiff.SetFileName(name);
  EXPECT_EQ(tiff.DirectoryCount(), 2u);
}

}  // namespace
}  // namespace brumel
