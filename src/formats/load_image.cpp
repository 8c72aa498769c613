#include "formats/load_image.h"

#include "formats/bmp/bmp_codec.h"
#include "formats/file_name.h"
#include "formats/jpeg/jpeg_codec.h"
#include "formats/png/png_unit.h"
#include "formats/tiff/read_tiff.h"

namespace brumel {

bool LoadImageFile(const std::string& fileName, Bitmap& working, MessagePort& messages,
                   RowProgress* progress) {
  // The four extensions are distinct, so at most one reader runs.
  if (UpperAscii(FileExtension(fileName)) == ".PNG") {
    PngToBitmap(fileName, working);
    return true;
  }
  if (UpperAscii(FileExtension(fileName)) == ".JPG") {
    LoadJpegFile(fileName, working, progress);
    return true;
  }
  if (UpperAscii(FileExtension(fileName)) == ".BMP") {
    Bitmap picture;
    LoadBmpFile(fileName, picture);
    picture.SetPixelFormat(PixelFormat::Bits24);
    working = std::move(picture);
    return true;
  }
  if (UpperAscii(FileExtension(fileName)) == ".TIF") {
    if (!LoadTiffFile(fileName, working, messages)) return false;
    working.SetPixelFormat(PixelFormat::Bits24);
    return true;
  }
  return false;
}

}  // namespace brumel
