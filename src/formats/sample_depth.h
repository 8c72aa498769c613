// The depth at which pictures are loaded: 8 bits a sample, as the window and the batch always
// worked, or 16, for masters whose tones must not be cut to 256 steps.
#pragma once

#include <optional>
#include <string>

#include "platform/bitmap.h"

namespace brumel {

// brumel-batch --depth; the value is the bits of a sample.
enum class SampleDepth { Bits8 = 8, Bits16 = 16 };
inline constexpr SampleDepth kDefaultSampleDepth = SampleDepth::Bits8;
// The names brumel-batch --depth takes.
inline constexpr const char* kSampleDepthNames[] = {"8", "16"};

// The depth of a --depth value; none for any other text.
inline std::optional<SampleDepth> SampleDepthNamed(const std::string& name) {
  if (name == kSampleDepthNames[0]) return SampleDepth::Bits8;
  if (name == kSampleDepthNames[1]) return SampleDepth::Bits16;
  return std::nullopt;
}

// The colour format of a loaded picture: Bits24 or Bits48.
constexpr PixelFormat LoadedFormat(SampleDepth depth) {
  return depth == SampleDepth::Bits16 ? PixelFormat::Bits48 : PixelFormat::Bits24;
}

}  // namespace brumel
