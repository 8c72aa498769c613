#include "batch/restoration_record.h"

// libexiv2 0.27 hands its images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <exiv2/exiv2.hpp>
#include <mutex>

#include "batch/input_file_check.h"
#include "platform/error.h"

namespace brumel {

namespace {

// The XMP toolkit inside libexiv2 is not safe from several threads unless it is given a lock.
void LockXmpToolkit(void* lock, bool lockIt) {
  auto* mutex = static_cast<std::recursive_mutex*>(lock);
  if (lockIt)
    mutex->lock();
  else
    mutex->unlock();
}

}  // namespace

// libexiv2's warnings about odd metadata would interleave with the run's own messages, so it
// keeps them to itself. The toolkit takes the same lock itself when it registers a namespace,
// which a caller holding it may make it do: hence a recursive one.
std::unique_lock<std::recursive_mutex> UseMetadataLibrary() {
  static std::once_flag once;
  static std::recursive_mutex library;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(LockXmpToolkit, &library);
    Exiv2::XmpProperties::registerNs(kRecordNamespace, kRecordPrefix);
  });
  return std::unique_lock<std::recursive_mutex>(library);
}

std::optional<std::string> RecordedSettings(const std::string& file) {
  const auto library = UseMetadataLibrary();
  try {
    CheckInputFile(file);
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(file);
    image->readMetadata();
    const Exiv2::XmpData& xmp = image->xmpData();
    const auto found = xmp.findKey(Exiv2::XmpKey(kRecordSettingsKey));
    if (found == xmp.end()) return std::nullopt;
    return found->toString();
  } catch (const Error& error) {
    throw Error("cannot read " + file + ": " + error.what());
  } catch (const std::exception& error) {
    throw Error("cannot read the metadata of " + file + ": " + error.what());
  }
}

}  // namespace brumel
