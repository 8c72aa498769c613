#include "formats/load_image.h"

#include "formats/formats.h"

namespace brumel {

bool LoadImageFile(const std::string& fileName, Bitmap& working, MessagePort& messages,
                   RowProgress* progress) {
  const PictureFormat* format = FormatOfFileName(fileName);
  return format != nullptr && format->read(fileName, working, messages, progress);
}

}  // namespace brumel
