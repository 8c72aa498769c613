// One strip of a TIFF encoded by libtiff's own codec away from the file it belongs to, so that
// the strips of a picture can be encoded on several threads at once: each is written as the one
// strip of a TIFF in memory, which libtiff encodes exactly as it would in the file, and taken
// out as it lies there, for TIFFWriteRawStrip to put into the file.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brumel {

// What libtiff needs to know of a file, apart from its height, to encode one of its strips.
struct StripFormat {
  std::uint32_t width = 0;
  std::uint16_t bitsPerSample = 8;
  std::uint16_t samplesPerPixel = 3;
  std::uint16_t photometric = PHOTOMETRIC_RGB;
  std::uint16_t compression = COMPRESSION_NONE;
  std::uint16_t predictor = PREDICTOR_NONE;
};

// Sets the tags of a file of this format, height rows tall, in strips of rowsPerStrip rows.
void SetStripTags(TIFF* tiff, const StripFormat& format, std::uint32_t height,
                  std::uint32_t rowsPerStrip);

// The encoded bytes of a strip of rows rows; samples holds them as the file does (interleaved,
// in the machine's byte order, which is the order of a file libtiff writes) and may be changed.
// Raises the error type with libtiff's words, naming fileName, when libtiff refuses.
std::vector<std::uint8_t> EncodeStrip(const std::string& fileName, const StripFormat& format,
                                      std::uint32_t rows, std::vector<std::uint8_t>& samples);

}  // namespace brumel
