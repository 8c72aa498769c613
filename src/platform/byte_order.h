// Numbers stored as bytes in a given byte order, as the Windows-bitmap and TIFF files hold them,
// and colours in either order: blue, green, red as a Bitmap holds them, red, green, blue as PNG
// and TIFF files do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brumel {

inline std::uint16_t Get16(const std::uint8_t* bytes, bool littleEndian) {
  return littleEndian ? static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8)
                      : static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

inline std::uint32_t Get32(const std::uint8_t* bytes, bool littleEndian) {
  const std::uint32_t first = Get16(bytes, littleEndian);
  const std::uint32_t second = Get16(bytes + 2, littleEndian);
  return littleEndian ? first | second << 16 : first << 16 | second;
}

inline void Put16(std::uint8_t* bytes, std::uint16_t value, bool littleEndian) {
  bytes[littleEndian ? 0 : 1] = static_cast<std::uint8_t>(value);
  bytes[littleEndian ? 1 : 0] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::uint8_t* bytes, std::uint32_t value, bool littleEndian) {
  Put16(bytes + (littleEndian ? 0 : 2), static_cast<std::uint16_t>(value), littleEndian);
  Put16(bytes + (littleEndian ? 2 : 0), static_cast<std::uint16_t>(value >> 16), littleEndian);
}

// Copies count pixels of bytesPerPixel bytes (3 or more; those after the third are dropped) from
// source to the 3-byte pixels of target with their first and third byte exchanged. target may
// be source when bytesPerPixel is 3.
inline void SwapRedBlue(const std::uint8_t* source, std::size_t bytesPerPixel, std::uint8_t* target,
                        std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, source += bytesPerPixel, target += 3) {
    const std::uint8_t first = source[0], second = source[1], third = source[2];
    target[0] = third;
    target[1] = second;
    target[2] = first;
  }
}

}  // namespace brumel
