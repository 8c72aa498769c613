#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace brumel {

namespace {

std::string TemporaryTemplate(const std::string& target) {
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name + ".partial-XXXXXX";
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
  if (target_.empty()) return;
  std::string pattern = TemporaryTemplate(target_);
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int descriptor = mkstemp(buffer.data());
  if (descriptor < 0) return;
  temporary_ = buffer.data();
  fchmod(descriptor, NewFileMode());
  stream_ = fdopen(descriptor, "wb");
  if (!stream_) {
    close(descriptor);
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

AtomicFile::~AtomicFile() {
  if (!committed_) Discard();
}

void AtomicFile::Discard() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

bool AtomicFile::Commit() {
  if (!stream_ || committed_) return false;
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  ok = fsync(fileno(stream_)) == 0 && ok;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    committed_ = true;
    temporary_.clear();
    return true;
  }
  Discard();
  return false;
}

}  // namespace brumel
