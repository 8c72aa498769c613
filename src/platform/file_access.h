// Reading files by name for the image readers: a stream that refuses folders, and a whole file
// read into memory with an upper bound on its size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brumel {

// fopen with the given mode, except that a folder gives null like a missing file.
std::FILE* OpenFileStream(const std::string& fileName, const char* mode);

enum class ReadFileResult { Read, CannotOpen, TooLarge };

// Reads the whole named file into bytes; TooLarge (bytes left empty) when it holds more than
// maxBytes, CannotOpen when it can't be opened or read.
ReadFileResult ReadWholeFile(const std::string& fileName, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes);

}  // namespace brumel
