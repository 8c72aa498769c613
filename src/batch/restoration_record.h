// The record of a restoration that every output keeping its metadata carries in its XMP, in
// Brumel's own namespace: brumel:Settings, the options that reproduce the correction, and
// brumel:Source, the input's file name.
#pragma once

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

// Sets libexiv2 up for use from several threads at once, with Brumel's namespace known; every
// call after the first does nothing.
void SetUpMetadataLibrary();

// The brumel:Settings of a picture file; empty when it has none. Raises the error type, naming
// the file, when it is not a regular file or the library cannot read its metadata.
std::optional<std::string> RecordedSettings(const std::string& file);

}  // namespace brumel
