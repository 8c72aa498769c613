#include "imageio/load_image.h"

#include "imageio/file_name.h"
#include "imageio/jpeg_codec.h"
#include "platform/bmp_codec.h"
#include "png/png_unit.h"
#include "tiff/read_tiff.h"

namespace brumel {

bool LoadImageFile(const std::string& fileName, Bitmap& working, MessagePort& messages) {
  // Each comparison takes the extension anew, as Part 3.1 says; at most one of them holds.
  if (UpperAscii(FileExtension(fileName)) == ".PNG") {
    PngToBitmap(fileName, working);
    return true;
  }
  if (UpperAscii(FileExtension(fileName)) == ".JPG") {
    LoadJpegFile(fileName, working);
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
