#include "formats/tiff/libtiff_source.h"

#include <algorithm>
#include <cstdarg>
#include <span>

#include "platform/bitmap.h"

namespace brumel {

namespace {

int NoClose(thandle_t) {
  return 0;
}

int NoMap(thandle_t, void**, toff_t*) {
  return 0;
}

void NoUnmap(thandle_t, void*, toff_t) {}

LibtiffHandle& Self(thandle_t self) {
  return *static_cast<LibtiffHandle*>(self);
}

// Warnings say what libtiff worked around; only its errors explain a refusal.
int Ignore(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

}  // namespace

LibtiffHandle::LibtiffHandle(const std::string& name, ByteSource& source)
    : source_(&source), name_(name) {
  tiff_ = Open(name, "rm");
}

LibtiffHandle::LibtiffHandle(const std::string& name, std::FILE* stream)
    : stream_(stream), name_(name) {
  tiff_ = Open(name, "wm");
}

LibtiffHandle::LibtiffHandle(const std::string& name, std::vector<std::uint8_t>& memory)
    : memory_(&memory), name_(name) {
  tiff_ = Open(name, "wm");
}

LibtiffHandle::~LibtiffHandle() {
  Close();
}

bool LibtiffHandle::Close() {
  if (tiff_ == nullptr) return false;
  const bool writing = stream_ != nullptr || memory_ != nullptr;
  const bool flushed = !writing || TIFFFlush(tiff_) == 1;
  TIFFClose(tiff_);
  tiff_ = nullptr;
  return flushed && error_.empty();
}

TIFF* LibtiffHandle::Open(const std::string& name, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, &LibtiffHandle::Keep, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, &Ignore, nullptr);
  // No single block libtiff allocates for a file may exceed what a picture may take.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxPictureBytes));
  TIFF* tiff = TIFFClientOpenExt(name.c_str(), mode, this, &Read, &Write, &Seek, &NoClose, &Size,
                                 &NoMap, &NoUnmap, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

tmsize_t LibtiffHandle::Read(thandle_t self, void* data, tmsize_t size) {
  LibtiffHandle& handle = Self(self);
  if (size <= 0) return 0;
  const std::span wanted(static_cast<std::uint8_t*>(data), static_cast<std::size_t>(size));
  std::size_t got = 0;
  if (handle.source_ != nullptr) {
    got = handle.source_->ReadAt(handle.position_, wanted);
  } else if (handle.memory_ != nullptr) {
    const std::vector<std::uint8_t>& memory = *handle.memory_;
    if (handle.position_ < memory.size())
      got = std::min<std::size_t>(wanted.size(), memory.size() - handle.position_);
    std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(handle.position_), got,
                wanted.begin());
  } else {
    got = std::fread(data, 1, wanted.size(), handle.stream_);
  }
  handle.position_ += got;
  return static_cast<tmsize_t>(got);
}

tmsize_t LibtiffHandle::Write(thandle_t self, void* data, tmsize_t size) {
  LibtiffHandle& handle = Self(self);
  if (size <= 0) return 0;
  const auto count = static_cast<std::size_t>(size);
  std::size_t put = 0;
  if (handle.memory_ != nullptr) {
    std::vector<std::uint8_t>& memory = *handle.memory_;
    if (memory.size() < handle.position_ + count) memory.resize(handle.position_ + count);
    std::copy_n(static_cast<const std::uint8_t*>(data), count,
                memory.begin() + static_cast<std::ptrdiff_t>(handle.position_));
    put = count;
  } else if (handle.stream_ != nullptr) {
    put = std::fwrite(data, 1, count, handle.stream_);
  }
  handle.position_ += put;
  return static_cast<tmsize_t>(put);
}

toff_t LibtiffHandle::Seek(thandle_t self, toff_t offset, int whence) {
  LibtiffHandle& handle = Self(self);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = handle.position_;
  if (whence == SEEK_END) base = Size(self);
  const std::uint64_t target = base + offset;
  if (handle.stream_ != nullptr &&
      fseeko(handle.stream_, static_cast<off_t>(target), SEEK_SET) != 0)
    return static_cast<toff_t>(-1);
  handle.position_ = target;
  return target;
}

toff_t LibtiffHandle::Size(thandle_t self) {
  LibtiffHandle& handle = Self(self);
  if (handle.source_ != nullptr) return handle.source_->Size();
  if (handle.memory_ != nullptr) return handle.memory_->size();
  const off_t here = ftello(handle.stream_);
  fseeko(handle.stream_, 0, SEEK_END);
  const off_t end = ftello(handle.stream_);
  fseeko(handle.stream_, here, SEEK_SET);
  return end < 0 ? 0 : static_cast<toff_t>(end);
}

int LibtiffHandle::Keep(TIFF*, void* self, const char* module, const char* format,
                        va_list arguments) {
  LibtiffHandle& handle = *static_cast<LibtiffHandle*>(self);
  if (handle.error_.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    // libtiff names the file as the module of many messages; the caller names it already.
    const bool named = module != nullptr && *module != '\0' && handle.name_ != module;
    handle.error_ = named ? std::string(module) + ": " + text : text;
  }
  return 1;
}

}  // namespace brumel
