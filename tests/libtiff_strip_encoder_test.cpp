// Strips encoded apart from their file by libtiff's own codec: the same bytes libtiff writes
// into the file itself, at 8 and 16 bits, with and without the predictor.
#include <gtest/gtest.h>

#include <random>

#include "formats/tiff/libtiff_source.h"
#include "formats/tiff/libtiff_strip_encoder.h"
#include "platform/error.h"

namespace brumel {
namespace {

std::vector<std::uint8_t> Samples(const StripFormat& format, std::uint32_t rows, int seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> samples(std::size_t{format.width} * rows * format.samplesPerPixel *
                                    format.bitsPerSample / 8);
  // Smooth rows with some noise, so that both the codec and the predictor have work to do.
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint8_t>(i / 7 + random() % 4);
  return samples;
}

// Strip 0 of a file libtiff writes with the samples itself, as it lies in that file.
std::vector<std::uint8_t> WrittenInAFile(const StripFormat& format, std::uint32_t rows,
                                         std::vector<std::uint8_t> samples) {
  std::vector<std::uint8_t> memory;
  LibtiffHandle handle("direct.tif", memory);
  TIFF* tiff = handle.Tiff();
  SetStripTags(tiff, format, 3 * rows, rows);
  EXPECT_GT(TIFFWriteEncodedStrip(tiff, 0, samples.data(), static_cast<tmsize_t>(samples.size())),
            0);
  const std::uint64_t offset = TIFFGetStrileOffset(tiff, 0);
  const std::uint64_t bytes = TIFFGetStrileByteCount(tiff, 0);
  return {memory.begin() + static_cast<std::ptrdiff_t>(offset),
          memory.begin() + static_cast<std::ptrdiff_t>(offset + bytes)};
}

TEST(LibtiffStripEncoder, GivesTheBytesLibtiffWritesInTheFile) {
  for (std::uint16_t bits : {8, 16})
    for (std::uint16_t compression : {COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE})
      for (std::uint16_t predictor : {PREDICTOR_NONE, PREDICTOR_HORIZONTAL}) {
        const StripFormat format{97, bits, 3, PHOTOMETRIC_RGB, compression, predictor};
        std::vector<std::uint8_t> samples = Samples(format, 13, bits + predictor);
        const std::vector<std::uint8_t> expected = WrittenInAFile(format, 13, samples);
        const std::vector<std::uint8_t> encoded = EncodeStrip("apart.tif", format, 13, samples);
        EXPECT_FALSE(encoded.empty());
        EXPECT_EQ(encoded, expected) << bits << " " << compression << " " << predictor;
      }
}

TEST(LibtiffStripEncoder, ARefusedStripNamesTheFile) {
  // The predictor on samples of 3 bits is a combination libtiff refuses.
  const StripFormat format{8, 3, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, PREDICTOR_HORIZONTAL};
  std::vector<std::uint8_t> samples(3, 0);
  try {
    EncodeStrip("refused.tif", format, 1, samples);
    FAIL() << "the strip was encoded";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot write file refused.tif");
    EXPECT_NE(error.CommandLineText().find("refused.tif: "), std::string::npos);
  }
}

}  // namespace
}  // namespace brumel
