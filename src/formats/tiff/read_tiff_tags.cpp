#include "formats/tiff/read_tiff_tags.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <unordered_set>

#include "platform/byte_order.h"

namespace brumel {

namespace {

constexpr std::uint64_t kEntryBytes = 12;

bool IsShortValue(std::uint16_t fieldType, std::uint32_t count) {
  return fieldType == kTypeShort && count == 1;
}

// The entry's value word as the file stores it.
void ValueWord(const TiffEntry& entry, bool littleEndian, std::uint8_t* word) {
  if (!littleEndian && IsShortValue(entry.FieldType, entry.Count)) {
    Put16(word, static_cast<std::uint16_t>(entry.Value), false);
    word[2] = word[3] = 0;
  } else {
    Put32(word, entry.Value, littleEndian);
  }
}

TiffEntry DecodeEntry(const std::uint8_t* bytes, bool littleEndian) {
  TiffEntry entry;
  entry.Tag = Get16(bytes, littleEndian);
  entry.FieldType = Get16(bytes + 2, littleEndian);
  entry.Count = Get32(bytes + 4, littleEndian);
  entry.Value = !littleEndian && IsShortValue(entry.FieldType, entry.Count)
                    ? Get16(bytes + 8, false)
                    : Get32(bytes + 8, littleEndian);
  return entry;
}

}  // namespace

std::vector<std::uint32_t> ReadEntryValues(ByteSource& file, const TiffEntry& entry,
                                           bool littleEndian, std::size_t count) {
  const std::size_t size = entry.FieldType == kTypeShort ? 2 : 4;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, entry.Count));
  std::vector<std::uint8_t> bytes(std::max<std::size_t>(n * size, 4));
  if (std::uint64_t{entry.Count} * size <= 4)
    ValueWord(entry, littleEndian, bytes.data());
  else
    file.ReadAt(entry.Value, std::span(bytes.data(), n * size));
  std::vector<std::uint32_t> values(n);
  for (std::size_t i = 0; i < n; ++i)
    values[i] = size == 2 ? Get16(&bytes[2 * i], littleEndian) : Get32(&bytes[4 * i], littleEndian);
  return values;
}

void TGraphicTiff::ReadFromFile(ByteSource& file, std::uint64_t offset) {
  const bool little = owner_->LittleEndian();
  try {
    std::uint8_t count[2];
    file.ReadAt(offset, count);
    entryCount_ = Get16(count, little);
    if (entryCount_ > 0) {
      ReadEntries(file, offset + 2);
      ReadStripTable(file);
    }
    entriesEnd_ = offset + 2 + kEntryBytes * entryCount_;
    std::uint8_t next[4];
    file.ReadAt(entriesEnd_, next);
    nextOffset_ = Get32(next, little);
  } catch (const std::bad_alloc&) {
    // The directory keeps what it has read; the flag tells the caller it is incomplete.
    readFailed_ = true;
  }
}

void TGraphicTiff::ReadEntries(ByteSource& file, std::uint64_t offset) {
  const bool little = owner_->LittleEndian();
  std::vector<std::uint8_t> bytes(kEntryBytes * entryCount_);
  file.ReadAt(offset, bytes);
  entries_.resize(entryCount_);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    entries_[i] = DecodeEntry(&bytes[kEntryBytes * i], little);
}

void TGraphicTiff::ReadStripTable(ByteSource& file) {
  std::uint32_t offsetCount = 0;
  std::uint32_t byteCountCount = 0;
  for (const TiffEntry& entry : entries_) {
    if (entry.Tag == kTagStripOffsets) offsetCount = entry.Count;
    if (entry.Tag == kTagStripByteCounts) byteCountCount = entry.Count;
  }
  if (offsetCount != byteCountCount) return;
  strips_.resize(static_cast<std::uint16_t>(offsetCount));
  const bool little = owner_->LittleEndian();
  for (const TiffEntry& entry : entries_) {
    if (entry.Tag != kTagStripOffsets && entry.Tag != kTagStripByteCounts) continue;
    const std::vector<std::uint32_t> values = ReadEntryValues(file, entry, little, strips_.size());
    for (std::size_t i = 0; i < values.size(); ++i)
      (entry.Tag == kTagStripOffsets ? strips_[i].Offset : strips_[i].ByteCount) = values[i];
  }
}

const TiffEntry* TGraphicTiff::FindEntry(std::uint16_t tag) const {
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                  [tag](const TiffEntry& entry) { return entry.Tag == tag; });
  return found == entries_.rend() ? nullptr : &*found;
}

const StripInfo* TGraphicTiff::Strip(std::size_t index) const {
  return index < strips_.size() ? &strips_[index] : nullptr;
}

std::uint64_t TGraphicTiff::TableBytes() const {
  return entries_.size() * sizeof(TiffEntry) + strips_.size() * sizeof(StripInfo);
}

void TFileTiff::SetFileName(const std::string& newName) {
  if (newName.empty()) {
    Clear();
    fileName_.clear();
    fileSize_ = 0;
    valid_ = false;
    return;
  }
  if (newName == fileName_) return;
  FileByteSource file(newName);
  ReadFrom(newName, file);
}

void TFileTiff::ReadFrom(const std::string& name, ByteSource& source) {
  Clear();
  valid_ = false;
  fileSize_ = source.Size();
  if (fileSize_ < 8) return;
  std::uint8_t header[8];
  source.ReadAt(0, header);
  const bool ii = header[0] == 'I' && header[1] == 'I';
  const bool mm = header[0] == 'M' && header[1] == 'M';
  if (ii || mm) littleEndian_ = ii;
  // Without a known mark the header's numbers are taken as stored, little-endian.
  const bool headerLittle = ii || mm ? littleEndian_ : true;
  valid_ = (ii || mm) && Get16(header + 2, headerLittle) == 42;
  fileName_ = name;
  ReadChain(source, Get32(header + 4, headerLittle));
}

void TFileTiff::ReadChain(ByteSource& file, std::uint32_t firstOffset) {
  std::unordered_set<std::uint32_t> visited;
  std::uint64_t tableBytes = 0;
  // Offsets are signed 32-bit numbers here: one of 2^31 or more ends the chain, as 0 does.
  for (std::uint32_t offset = firstOffset; offset >= 8 && offset <= INT32_MAX;) {
    if (directoryList_.size() >= kMaxDirectories || tableBytes >= kMaxTableBytes) return;
    if (!visited.insert(offset).second) return;
    const TGraphicTiff& directory = ReadDirectoryAt(file, offset);
    tableBytes += directory.TableBytes();
    offset = directory.NextOffset();
  }
}

TGraphicTiff& TFileTiff::ReadDirectoryAt(ByteSource& file, std::uint64_t offset) {
  auto directory = std::make_unique<TGraphicTiff>(*this);
  directory->ReadFromFile(file, offset);
  directoryList_.push_back(std::move(directory));
  return *directoryList_.back();
}

const TGraphicTiff* TFileTiff::Directory(std::size_t index) const {
  return index < directoryList_.size() ? directoryList_[index].get() : nullptr;
}

}  // namespace brumel
