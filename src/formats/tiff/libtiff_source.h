// A libtiff handle over the bytes of a file being read (a ByteSource), over the stream of a
// file being written, or over a file written in memory. libtiff's messages go to the handle that raised them, not to a handler
// shared by the process, so that reads and writes on several threads each keep their own words.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/tiff/byte_source.h"

namespace brumel {

class LibtiffHandle {
 public:
  // Opens name's data for reading; Tiff() is null when libtiff refuses it.
  LibtiffHandle(const std::string& name, ByteSource& source);
  // Opens a new TIFF on an empty, writable, seekable stream, which the caller closes afterwards.
  LibtiffHandle(const std::string& name, std::FILE* stream);
  // Opens a new TIFF written into memory, which must outlive the handle.
  LibtiffHandle(const std::string& name, std::vector<std::uint8_t>& memory);
  ~LibtiffHandle();
  LibtiffHandle(const LibtiffHandle&) = delete;
  LibtiffHandle& operator=(const LibtiffHandle&) = delete;

  TIFF* Tiff() const { return tiff_; }
  // libtiff's first error message since the handle was opened; empty when it gave none.
  const std::string& Error() const { return error_; }
  // Writes what is still buffered and the directory; false when that failed.
  bool Close();

  // The procedures libtiff calls back, on this object as its client data.
  static tmsize_t Read(thandle_t self, void* data, tmsize_t size);
  static tmsize_t Write(thandle_t self, void* data, tmsize_t size);
  static toff_t Seek(thandle_t self, toff_t offset, int whence);
  static toff_t Size(thandle_t self);
  static int Keep(TIFF*, void* self, const char* module, const char* format, va_list arguments);

 private:
  TIFF* Open(const std::string& name, const char* mode);

  ByteSource* source_ = nullptr;
  std::FILE* stream_ = nullptr;
  std::vector<std::uint8_t>* memory_ = nullptr;
  std::string name_;
  std::uint64_t position_ = 0;
  std::string error_;
  TIFF* tiff_ = nullptr;
};

}  // namespace brumel
