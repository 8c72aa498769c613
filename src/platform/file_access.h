// Reading files by name for the image readers: a stream that takes regular files only, and a
// whole file read into memory with an upper bound on its size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace brumel {

// fopen with the given mode, except that anything but a regular file (a folder, a FIFO, a
// device) gives null like a missing file, without waiting for a FIFO's writer.
std::FILE* OpenFileStream(const std::string& fileName, const char* mode);

// Opens a regular file for reading without blocking on a FIFO; -1 with errno set otherwise
// (EISDIR for a folder, EINVAL for a FIFO, a device or a socket).
int OpenRegularFile(const std::string& fileName);

enum class ReadFileResult { Read, CannotOpen, TooLarge, WrongSignature };

// Reads the whole named file into bytes; TooLarge (bytes left empty) when it holds more than
// maxBytes, CannotOpen when it can't be opened or read, WrongSignature when it does not start
// with signature, which is checked before anything more is read.
ReadFileResult ReadWholeFile(const std::string& fileName, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes, std::string_view signature = {});

}  // namespace brumel
