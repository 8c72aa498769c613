#include "formats/tiff/tiff_reader_choice.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "formats/tiff/libtiff_reader.h"
#include "formats/tiff/read_tiff.h"
#include "formats/tiff/read_tiff_tags.h"
#include "platform/error.h"

namespace brumel {

namespace {

constexpr std::uint16_t kTagTileWidth = 322;
constexpr std::uint16_t kTagTileOffsets = 324;
constexpr std::uint32_t kPhotometricRgb = 2;

// A whole BigTIFF header: "II" or "MM", the magic number 43, offsets of 8 bytes, a reserved 0
// and the first directory's offset.
bool IsBigTiff(ByteSource& source) {
  std::array<std::uint8_t, 16> header{};
  if (source.ReadAt(0, header) != header.size()) return false;
  const bool little = header[0] == 'I' && header[1] == 'I';
  if (!little && !(header[0] == 'M' && header[1] == 'M')) return false;
  const auto at = [&](int i) { return little ? header[i] : header[i ^ 1]; };
  return at(2) == 43 && at(3) == 0 && at(4) == 8 && at(5) == 0 && at(6) == 0 && at(7) == 0;
}

// The first line of a message, which may hold several.
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\r'));
}

// Keeps the own reader's messages instead of showing them.
class KeptMessages final : public MessagePort {
 public:
  void ShowInformation(const std::string& text) override { kept.push_back(text); }
  void ShowError(const std::string& text) override { kept.push_back(text); }
  std::vector<std::string> kept;
};

// libtiff could not read a file the own reader refuses: the own reader's first word on it, and
// libtiff's reason on the command line.
Error NeitherReads(const std::string& name, ByteSource& source, const Error& libtiff) {
  KeptMessages own;
  Bitmap unused;
  LoadTiff(name, source, unused, own);
  if (own.kept.empty()) return libtiff;
  return Error(own.kept.front(),
               FirstLine(own.kept.front()) + "; libtiff: " + libtiff.CommandLineText());
}

// A directory of a kind the own reader implements at this depth. A tag whose absence it reports
// itself counts as its own, so that its message stays.
bool OwnKind(ByteSource& source, const TGraphicTiff& directory, SampleDepth depth) {
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
  const bool keeps16 = depth != SampleDepth::Bits16;
  return values.empty() || std::all_of(values.begin(), values.end(), [&](std::uint32_t b) {
           return b == values[0] && (b == 8 || (b == 16 && keeps16));
         });
}

}  // namespace

TiffReader ChooseTiffReader(const std::string& name, ByteSource& source, SampleDepth depth) {
  TFileTiff tiff;
  tiff.ReadFrom(name, source);
  if (!tiff.Valid()) return IsBigTiff(source) ? TiffReader::Libtiff : TiffReader::Own;
  bool other = false;
  // The own reader stops at the first directory without a photometric interpretation.
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) {
    const TGraphicTiff& directory = *tiff.Directory(i);
    if (!directory.FindEntry(kTagPhotometric)) break;
    if (OwnKind(source, directory, depth)) return TiffReader::Own;
    other = true;
  }
  return other ? TiffReader::Libtiff : TiffReader::Own;
}

bool LoadAnyTiff(const std::string& name, ByteSource& source, Bitmap& bitmap, MessagePort& messages,
                 RowProgress* progress, SampleDepth depth) {
  if (ChooseTiffReader(name, source, depth) == TiffReader::Own)
    return LoadTiff(name, source, bitmap, messages);
  try {
    ReadTiffWithLibtiff(name, source, bitmap, messages, progress, depth);
  } catch (const Error& error) {
    throw NeitherReads(name, source, error);
  }
  return true;
}

bool LoadAnyTiffFile(const std::string& fileName, Bitmap& bitmap, MessagePort& messages,
                     RowProgress* progress, SampleDepth depth) {
  FileByteSource file(fileName);
  return LoadAnyTiff(fileName, file, bitmap, messages, progress, depth);
}

}  // namespace brumel
