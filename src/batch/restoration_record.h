// The record of a restoration that every output keeping its metadata carries in its XMP, in
// Brumel's own namespace: brumel:Settings, the options that reproduce the correction, and
// brumel:Source, the input's file name.
#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace brumel {

inline constexpr char kRecordNamespace[] = "http://ns.brumel.example/restoration/1.0/";
inline constexpr char kRecordPrefix[] = "brumel";
inline constexpr char kRecordSettingsKey[] = "Xmp.brumel.Settings";
inline constexpr char kRecordSourceKey[] = "Xmp.brumel.Source";

struct RestorationRecord {
  // The options that reproduce the correction, as --estimate prints them.
  std::string settings;
  // The input's file name, without folder.
  std::string source;
};

// libexiv2, set up once with Brumel's namespace known, for the caller alone while the lock is
// held. Its XMP toolkit cannot be used from two threads at once: it registers Brumel's namespace
// anew for every packet it makes, and a packet made meanwhile by another thread finds the
// namespace gone and is dropped, so that an output of several jobs would lose its XMP now and
// then. Every use of the library goes through this lock.
[[nodiscard]] std::unique_lock<std::recursive_mutex> UseMetadataLibrary();

// The brumel:Settings of a picture file; empty when it has none. Raises the error type, naming
// the file, when it is not a regular file or the library cannot read its metadata.
std::optional<std::string> RecordedSettings(const std::string& file);

}  // namespace brumel
