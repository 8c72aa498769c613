#include "formats/tiff/tiff_reader_choice.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "formats/tiff/libtiff_reader.h"
#include "formats/tiff/read_tiff.h"
#include "formats/tiff/read_tiff_tags.h"

namespace brumel {

namespace {

constexpr std::uint16_t kTagTileWidth = 322;
constexpr std::uint16_t kTagTileOffsets = 324;
constexpr std::uint32_t kPhotometricRgb = 2;

// A header of "II" or "MM" and the magic number 43.
bool IsBigTiff(ByteSource& source) {
  std::array<std::uint8_t, 4> header{};
  if (source.ReadAt(0, header) != header.size()) return false;
  if (header[0] == 'I' && header[1] == 'I') return header[2] == 43 && header[3] == 0;
  if (header[0] == 'M' && header[1] == 'M') return header[2] == 0 && header[3] == 43;
  return false;
}

// A directory of a kind the own reader implements. A tag whose absence it reports itself counts
// as its own, so that its message stays.
bool OwnKind(ByteSource& source, const TGraphicTiff& directory) {
  const TiffEntry* photometric = directory.FindEntry(kTagPhotometric);
  if (photometric->Value != kPhotometricRgb) return false;
  if (directory.FindEntry(kTagTileWidth) || directory.FindEntry(kTagTileOffsets)) return false;
  const TiffEntry* compression = directory.FindEntry(kTagCompression);
  if (compression && compression->Value != 1) return false;
  const TiffEntry* samples = directory.FindEntry(kTagSamplesPerPixel);
  const std::uint32_t samplesPerPixel = samples ? samples->Value : 3;
  if (samplesPerPixel != 3 && samplesPerPixel != 4) return false;
  const TiffEntry* planar = directory.FindEntry(kTagPlanarConfiguration);
  if (planar && planar->Value != 1 && planar->Value != 2) return false;
  const TiffEntry* bits = directory.FindEntry(kTagBitsPerSample);
  if (!bits) return true;
  const std::vector<std::uint32_t> values =
      ReadEntryValues(source, *bits, directory.Owner()->LittleEndian(), samplesPerPixel);
  return values.empty() ||
         std::all_of(values.begin(), values.end(),
                     [&](std::uint32_t b) { return b == values[0] && (b == 8 || b == 16); });
}

}  // namespace

TiffReader ChooseTiffReader(const std::string& name, ByteSource& source) {
  TFileTiff tiff;
  tiff.ReadFrom(name, source);
  if (!tiff.Valid()) return IsBigTiff(source) ? TiffReader::Libtiff : TiffReader::Own;
  bool other = false;
  // The own reader stops at the first directory without a photometric interpretation.
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) {
    const TGraphicTiff& directory = *tiff.Directory(i);
    if (!directory.FindEntry(kTagPhotometric)) break;
    if (OwnKind(source, directory)) return TiffReader::Own;
    other = true;
  }
  return other ? TiffReader::Libtiff : TiffReader::Own;
}

bool LoadAnyTiff(const std::string& name, ByteSource& source, Bitmap& bitmap,
                 MessagePort& messages, RowProgress* progress) {
  if (ChooseTiffReader(name, source) == TiffReader::Own)
    return LoadTiff(name, source, bitmap, messages);
  ReadTiffWithLibtiff(name, source, bitmap, messages, progress);
  return true;
}

bool LoadAnyTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages,
                     RowProgress* progress) {
  FileByteSource file(fileName);
  return LoadAnyTiff(fileName, file, bitmap, messages, progress);
}

}  // namespace brumel
