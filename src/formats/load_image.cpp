#include "formats/load_image.h"

#include "formats/formats.h"

namespace brumel {

bool LoadImageFile(const std::string& fileName, Bitmap& working, MessagePort& messages,
                   RowProgress* progress, SampleDepth depth) {
  const PictureFormat* format = FormatOfFileName(fileName);
  if (format == nullptr) return false;
  const PictureReader read =
      depth == SampleDepth::Bits16 && format->keep16 != nullptr ? format->keep16 : format->read;
  if (!read(fileName, working, messages, progress)) return false;
  if (working.Format() != LoadedFormat(depth)) working.SetPixelFormat(LoadedFormat(depth));
  return true;
}

}  // namespace brumel
