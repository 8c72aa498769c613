// The TIFF file and its chain of image file directories: the 8-byte header, every directory's
// 12-byte entries, and its table of strips. Pixel data is not looked at and nothing is shown;
// the decoder reads the entries and the strips and tells the user about problems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/tiff/byte_source.h"

namespace brumel {

// Tag numbers and field types the codec uses, its reader and its writer.
inline constexpr std::uint16_t kTagNewSubfileType = 254;
inline constexpr std::uint16_t kTagImageWidth = 256;
inline constexpr std::uint16_t kTagImageLength = 257;
inline constexpr std::uint16_t kTagBitsPerSample = 258;
inline constexpr std::uint16_t kTagCompression = 259;
inline constexpr std::uint16_t kTagPhotometric = 262;
inline constexpr std::uint16_t kTagStripOffsets = 273;
inline constexpr std::uint16_t kTagSamplesPerPixel = 277;
inline constexpr std::uint16_t kTagRowsPerStrip = 278;
inline constexpr std::uint16_t kTagStripByteCounts = 279;
inline constexpr std::uint16_t kTagXResolution = 282;
inline constexpr std::uint16_t kTagYResolution = 283;
inline constexpr std::uint16_t kTagPlanarConfiguration = 284;
inline constexpr std::uint16_t kTagResolutionUnit = 296;
inline constexpr std::uint16_t kTagSoftware = 305;
inline constexpr std::uint16_t kTagColorMap = 320;

inline constexpr std::uint16_t kTypeAscii = 2;
inline constexpr std::uint16_t kTypeShort = 3;
inline constexpr std::uint16_t kTypeLong = 4;
inline constexpr std::uint16_t kTypeRational = 5;

// The walk along the directory chain ends after this many directories, and once the entry and
// strip tables read so far hold this many bytes: a hostile chain cannot exhaust memory.
inline constexpr std::size_t kMaxDirectories = 65536;
inline constexpr std::uint64_t kMaxTableBytes = std::uint64_t{64} << 20;

// One directory entry, every field in host order.
struct TiffEntry {
  std::uint16_t Tag = 0;
  std::uint16_t FieldType = 0;
  std::uint32_t Count = 0;
  // The value itself when it fits (a SHORT of a big-endian file is its first 16 bits), else
  // the file offset of the values.
  std::uint32_t Value = 0;
};

struct StripInfo {
  std::uint32_t Offset = 0;
  std::uint32_t ByteCount = 0;
};

class TFileTiff;

// One image file directory.
class TGraphicTiff {
 public:
  explicit TGraphicTiff(const TFileTiff& owner) : owner_(&owner) {}

  // Reads the directory at offset. Reads past the end of the data see zeros, so such a
  // directory has no entries and no next directory.
  void ReadFromFile(ByteSource& file, std::uint64_t offset);

  // The last entry with the tag, or null.
  const TiffEntry* FindEntry(std::uint16_t tag) const;
  // Null when index is not below StripCount.
  const StripInfo* Strip(std::size_t index) const;

  std::uint16_t EntryCount() const { return entryCount_; }
  bool ReadFailed() const { return readFailed_; }
  const TFileTiff* Owner() const { return owner_; }
  std::uint64_t EntriesEnd() const { return entriesEnd_; }
  std::span<const TiffEntry> Entries() const { return entries_; }
  std::uint32_t NextOffset() const { return nextOffset_; }
  // A count in the file above 65535 keeps its low 16 bits.
  std::uint16_t StripCount() const { return static_cast<std::uint16_t>(strips_.size()); }
  // Bytes the entry and strip tables hold.
  std::uint64_t TableBytes() const;

 private:
  void ReadEntries(ByteSource& file, std::uint64_t offset);
  void ReadStripTable(ByteSource& file);

  std::uint16_t entryCount_ = 0;
  bool readFailed_ = false;
  const TFileTiff* owner_;
  std::uint64_t entriesEnd_ = 0;
  std::vector<TiffEntry> entries_;
  std::uint32_t nextOffset_ = 0;
  std::vector<StripInfo> strips_;
};

// One TIFF file with its directories in chain order.
class TFileTiff {
 public:
  TFileTiff() = default;
  TFileTiff(const TFileTiff&) = delete;
  TFileTiff& operator=(const TFileTiff&) = delete;

  const std::string& FileName() const { return fileName_; }
  // Reads the named file, unless the name is the one read last; an empty name empties the
  // object. The file is open only during the call and is never written or created.
  void SetFileName(const std::string& newName);
  // Reads the header and the directory chain from source, as the file called name. Data
  // shorter than a header leaves the object empty and FileName as it was.
  void ReadFrom(const std::string& name, ByteSource& source);

  std::uint64_t FileSize() const { return fileSize_; }
  bool LittleEndian() const { return littleEndian_; }
  // The header had a known byte-order mark and the magic number 42. Directories may be read
  // from a file that is not valid; callers test this first.
  bool Valid() const { return valid_; }

  std::size_t DirectoryCount() const { return directoryList_.size(); }
  // Null when index is not below DirectoryCount.
  const TGraphicTiff* Directory(std::size_t index) const;
  void Clear() { directoryList_.clear(); }
  TGraphicTiff& ReadDirectoryAt(ByteSource& file, std::uint64_t offset);

 private:
  void ReadChain(ByteSource& file, std::uint32_t firstOffset);

  std::string fileName_;
  std::uint64_t fileSize_ = 0;
  std::vector<std::unique_ptr<TGraphicTiff>> directoryList_;
  bool littleEndian_ = true;
  bool valid_ = false;
};

// The first count values of a SHORT or LONG entry (any other type is read as LONG): taken from
// the value word when all of the entry's values fit in it, else read from the file at the
// offset it holds.
std::vector<std::uint32_t> ReadEntryValues(ByteSource& file, const TiffEntry& entry,
                                           bool littleEndian, std::size_t count);

}  // namespace brumel
