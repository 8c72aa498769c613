// Where a TIFF reader gets its bytes: counted blocks at offsets, from an open file or from
// memory, so that the readers run the same on a file, in a test or under a fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace brumel {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The number of bytes the source holds.
  virtual std::uint64_t Size() const = 0;

  // Fills target from offset on. The part beyond the end of the data is zero-filled, so a short
  // read never leaves stale bytes behind; returns how many bytes came from the data.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> target);

 private:
  // Copies up to target.size() bytes from offset on; returns how many it copied.
  virtual std::size_t Fetch(std::uint64_t offset, std::span<std::uint8_t> target) = 0;
};

// A regular file opened for reading. A name that cannot be opened, or that is not a regular
// file, gives an empty source. A read error ends the data just as the end of the file does.
class FileByteSource final : public ByteSource {
 public:
  explicit FileByteSource(const std::string& fileName);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  std::uint64_t Size() const override { return size_; }

 private:
  std::size_t Fetch(std::uint64_t offset, std::span<std::uint8_t> target) override;

  int descriptor_ = -1;
  std::uint64_t size_ = 0;
};

// Bytes that the caller keeps alive for as long as the source is used.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const override { return bytes_.size(); }

 private:
  std::size_t Fetch(std::uint64_t offset, std::span<std::uint8_t> target) override;

  std::span<const std::uint8_t> bytes_;
};

}  // namespace brumel
