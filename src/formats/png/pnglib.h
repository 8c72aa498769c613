// The library declarations of the PNG adapter: libpng itself, and the two stream functions
// through which the adapter opens and closes the files it hands to png_init_io.
#pragma once

#include <png.h>

#include <cstdio>
#include <string>

#include "platform/file_access.h"

namespace brumel {

// Opens the named file as a C standard-library stream with the given mode; null when that fails
// (a folder included).
inline std::FILE* PngOpenFile(const std::string& fileName, const char* mode) {
  return OpenFileStream(fileName, mode);
}

// Closes a stream of PngOpenFile.
inline void PngCloseFile(std::FILE* stream) {
  std::fclose(stream);
}

}  // namespace brumel
