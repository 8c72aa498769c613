// Writing a Bitmap as a compressed RGB TIFF through libtiff: Deflate strips compressed by
// libdeflate on several threads at once and handed to libtiff as they are, LZW strips encoded by
// libtiff itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace brumel {

// brumel-batch --compress: none (the own writer's uncompressed file), deflate or lzw.
enum class TiffCompression { None, Deflate, Lzw };
// The names brumel-batch --compress takes, in the order of TiffCompression.
inline constexpr const char* kTiffCompressionNames[] = {"none", "deflate", "lzw"};

// The compression of a --compress value in lower case; none for any other text.
std::optional<TiffCompression> TiffCompressionNamed(const std::string& name);

// Writes bitmap as an RGB TIFF in strips, compressed with the horizontal predictor, completely
// or not at all: a 48-bit bitmap at 16 bits a sample (None too, uncompressed), any other
// format's 24-bit colours at 8 bits (None as SaveTiffFile writes it). Deflate strips are
// compressed on up to threads threads (at least one); LZW strips on the calling thread.
// The file is made in memory and written at once, after finish, when given, has changed its
// bytes (the batch adds the metadata there, so that the file is written once). Raises "Cannot
// create file " + name, or "Cannot write file " + name with the system's reason or libtiff's
// words on the command line; an empty picture is refused before anything is made.
using FileBytesStep = std::function<void(std::vector<std::uint8_t>& file)>;
void SaveCompressedTiff(const std::string& fileName, const Bitmap& bitmap,
                        TiffCompression compression, unsigned threads,
                        const FileBytesStep* finish = nullptr);

}  // namespace brumel
