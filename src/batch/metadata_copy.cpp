#include "batch/metadata_copy.h"

// libexiv2 0.27 hands its images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <exiv2/exiv2.hpp>
#include <mutex>

#include "platform/error.h"

namespace brumel {

namespace {

// A TIFF input's EXIF holds the layout of its own pixels, which is not the output's.
constexpr const char* kPixelLayoutTags[] = {
    "Exif.Image.NewSubfileType",  "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength",     "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",     "Exif.Image.PhotometricInterpretation",
    "Exif.Image.FillOrder",       "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel", "Exif.Image.RowsPerStrip",
    "Exif.Image.StripByteCounts", "Exif.Image.PlanarConfiguration",
    "Exif.Image.Predictor",       "Exif.Image.TileWidth",
    "Exif.Image.TileLength",      "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts",  "Exif.Image.SubIFDs",
    "Exif.Image.ExtraSamples",    "Exif.Image.SampleFormat",
};

// The XMP toolkit is set up once, before any thread uses it; libexiv2's warnings about odd
// metadata would interleave with the run's own messages, so it keeps them to itself.
void SetUpLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
  });
}

void TidyExif(Exiv2::ExifData& exif, const std::string& software) {
  Exiv2::ExifThumb(exif).erase();
  for (const char* tag : kPixelLayoutTags) {
    const auto found = exif.findKey(Exiv2::ExifKey(tag));
    if (found != exif.end()) exif.erase(found);
  }
  exif["Exif.Image.Software"] = software;
}

}  // namespace

void CopyMetadata(const std::string& from, const std::string& to, OutputFormat format,
                  const std::string& software) {
  if (format != OutputFormat::Jpeg && format != OutputFormat::Png) return;
  SetUpLibrary();
  Exiv2::Image::AutoPtr source;
  try {
    source = Exiv2::ImageFactory::open(from);
    source->readMetadata();
  } catch (const Exiv2::AnyError&) {
    return;  // the picture was read, so a metadata block the library refuses is only left out
  }
  // An input with nothing to carry over gives the window's bytes.
  if (source->exifData().empty() && source->xmpData().empty() && source->iptcData().empty() &&
      !source->iccProfileDefined())
    return;
  try {
    Exiv2::Image::AutoPtr target = Exiv2::ImageFactory::open(to);
    Exiv2::ExifData exif = source->exifData();
    TidyExif(exif, software);
    target->setExifData(exif);
    target->setXmpData(source->xmpData());
    target->setIptcData(source->iptcData());
    if (source->iccProfileDefined()) {
      Exiv2::DataBuf profile(source->iccProfile()->pData_, source->iccProfile()->size_);
      target->setIccProfile(profile);
    }
    target->writeMetadata();
  } catch (const Exiv2::AnyError& error) {
    throw Error("Cannot write the metadata of " + to + ": " + error.what());
  }
}

}  // namespace brumel
