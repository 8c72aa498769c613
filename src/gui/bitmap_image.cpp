#include "gui/bitmap_image.h"

#include <cstring>

#include "platform/error.h"

namespace brumel {

QImage ToQImage(const Bitmap& bitmap) {
  if (bitmap.Format() != PixelFormat::Bits24) throw Error("Only 24-bit bitmaps can be shown");
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
  if (image.isNull()) return image;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(bitmap.Width());
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memcpy(image.scanLine(y), bitmap.ScanLine(y), rowBytes);
  return image;
}

}  // namespace brumel
