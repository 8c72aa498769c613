#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace brumel {

namespace {

std::string TemporaryTemplate(const std::string& target) {
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  // Named after its machine and process, so that a later run can tell a temporary file that a
  // killed run left behind from one that a run still going is writing.
  return folder + TemporaryNameStart() + "XXXXXX";
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
  if (descriptor < 0) {
    systemError_ = errno;
    return;
  }
  temporary_ = buffer.data();
  fchmod(descriptor, NewFileMode());
  stream_ = fdopen(descriptor, "wb");
  if (!stream_) {
    systemError_ = errno;
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
  // The first failure's reason is kept; a full disk shows first at the flush or the fsync.
  const auto step = [this](bool done) {
    if (!done && systemError_ == 0) systemError_ = errno != 0 ? errno : EIO;
    return done;
  };
  errno = 0;
  bool ok = step(std::fflush(stream_) == 0 && !std::ferror(stream_));
  ok = step(fsync(fileno(stream_)) == 0) && ok;
  ok = step(std::fclose(stream_) == 0) && ok;
  stream_ = nullptr;
  if (ok && step(std::rename(temporary_.c_str(), target_.c_str()) == 0)) {
    committed_ = true;
    temporary_.clear();
    return true;
  }
  Discard();
  return false;
}

}  // namespace brumel
