#include "formats/tiff/libtiff_strip_encoder.h"

#include <algorithm>

#include "formats/tiff/libtiff_source.h"
#include "platform/error.h"

namespace brumel {

void SetStripTags(TIFF* tiff, const StripFormat& format, std::uint32_t height,
                  std::uint32_t rowsPerStrip) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, format.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, format.bitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, format.samplesPerPixel);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, format.photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, format.compression);
  if (format.predictor != PREDICTOR_NONE) TIFFSetField(tiff, TIFFTAG_PREDICTOR, format.predictor);
}

std::vector<std::uint8_t> EncodeStrip(const std::string& fileName, const StripFormat& format,
                                      std::uint32_t rows, std::vector<std::uint8_t>& samples) {
  std::vector<std::uint8_t> memory;
  LibtiffHandle handle(fileName, memory);
  TIFF* tiff = handle.Tiff();
  const std::string failure = "Cannot write file " + fileName;
  if (tiff == nullptr) throw Error(failure, failure + ": " + handle.Error());
  SetStripTags(tiff, format, rows, rows);
  if (TIFFWriteEncodedStrip(tiff, 0, samples.data(), static_cast<tmsize_t>(samples.size())) < 0 ||
      !handle.Error().empty())
    throw Error(failure, failure + ": " + handle.Error());
  const std::uint64_t offset = TIFFGetStrileOffset(tiff, 0);
  const std::uint64_t bytes = TIFFGetStrileByteCount(tiff, 0);
  if (offset > memory.size() || bytes > memory.size() - offset)
    throw Error(failure, failure + ": a strip libtiff encoded lies outside its file");
  return {memory.begin() + static_cast<std::ptrdiff_t>(offset),
          memory.begin() + static_cast<std::ptrdiff_t>(offset + bytes)};
}

}  // namespace brumel
