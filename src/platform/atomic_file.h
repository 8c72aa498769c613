// Writing a file so that it appears complete or not at all: the bytes go to a temporary file
// in the target's folder, which is renamed over the target only when everything was written.
// A failed or abandoned write leaves an older file of that name untouched and nothing behind.
// The temporary name is short (TemporaryNameStart() and six random characters), so that every
// name the file system allows for the target can be written.
#pragma once

#include <cstdio>
#include <string>

#include "platform/temporary_name.h"

namespace brumel {

class AtomicFile {
 public:
  // Creates the temporary file; Stream() is null when that was not possible.
  explicit AtomicFile(std::string target);
  ~AtomicFile();  // removes the temporary file unless Commit succeeded
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  std::FILE* Stream() const { return stream_; }
  const std::string& Target() const { return target_; }
  // Flushes, closes and renames over the target; false when any write or the rename failed.
  bool Commit();
  // The system's reason (an errno value) for the failed creation or Commit; 0 when none failed.
  int SystemError() const { return systemError_; }

 private:
  void Discard();

  std::string target_;
  std::string temporary_;
  std::FILE* stream_ = nullptr;
  bool committed_ = false;
  int systemError_ = 0;
};

}  // namespace brumel
