#include "batch/metadata_copy.h"

// libexiv2 0.27 hands its images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <exiv2/exiv2.hpp>

#include "platform/error.h"

namespace brumel {

namespace {

// A TIFF input's EXIF holds the layout of its own pixels, which is not the output's; its colour
// profile goes over as the profile, in the place each format keeps it.
constexpr const char* kTagsNotCarried[] = {
    "Exif.Image.NewSubfileType",    "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength",       "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",       "Exif.Image.PhotometricInterpretation",
    "Exif.Image.FillOrder",         "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel",   "Exif.Image.RowsPerStrip",
    "Exif.Image.StripByteCounts",   "Exif.Image.PlanarConfiguration",
    "Exif.Image.Predictor",         "Exif.Image.TileWidth",
    "Exif.Image.TileLength",        "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts",    "Exif.Image.SubIFDs",
    "Exif.Image.ExtraSamples",      "Exif.Image.SampleFormat",
    "Exif.Image.InterColorProfile",
};

void TidyExif(Exiv2::ExifData& exif, const std::string& software) {
  Exiv2::ExifThumb(exif).erase();
  for (const char* tag : kTagsNotCarried) {
    const auto found = exif.findKey(Exiv2::ExifKey(tag));
    if (found != exif.end()) exif.erase(found);
  }
  exif["Exif.Image.Software"] = software;
}

// The input's metadata; null when the library cannot read it: the picture was read, so a
// metadata block the library refuses is only left out.
Exiv2::Image::AutoPtr ReadSource(const std::string& from) {
  try {
    Exiv2::Image::AutoPtr source = Exiv2::ImageFactory::open(from);
    source->readMetadata();
    return source;
  } catch (const std::exception&) {
    return Exiv2::Image::AutoPtr();
  }
}

// Writes the source's metadata (none when null), the Software tag and the record into `to`.
// libexiv2 writes the whole file anew and puts it in place only when complete, and for a TIFF
// file it keeps the output's own layout tags and strips.
void WriteMetadata(const std::string& to, Exiv2::Image* source, const std::string& software,
                   const RestorationRecord& record) {
  Exiv2::Image::AutoPtr target = Exiv2::ImageFactory::open(to);
  Exiv2::ExifData exif = source ? source->exifData() : Exiv2::ExifData();
  TidyExif(exif, software);
  target->setExifData(exif);
  Exiv2::XmpData xmp = source ? source->xmpData() : Exiv2::XmpData();
  // A caller that does not know the options gives none, rather than a record that lies.
  if (!record.settings.empty()) xmp[kRecordSettingsKey] = record.settings;
  xmp[kRecordSourceKey] = record.source;
  target->setXmpData(xmp);
  if (source) {
    target->setIptcData(source->iptcData());
    if (source->iccProfileDefined()) {
      Exiv2::DataBuf profile(source->iccProfile()->pData_, source->iccProfile()->size_);
      target->setIccProfile(profile);
    }
  }
  target->writeMetadata();
}

}  // namespace

void CopyMetadata(const std::string& from, const std::string& to, OutputFormat format,
                  const std::string& software, const RestorationRecord& record) {
  if (format == OutputFormat::WindowsBitmap) return;  // a bitmap file has no place for it
  SetUpMetadataLibrary();
  Exiv2::Image::AutoPtr source = ReadSource(from);
  if (source.get() != nullptr) {
    try {
      WriteMetadata(to, source.get(), software, record);
      return;
    } catch (const std::exception&) {
      // A damaged block of the input's that the library read but cannot write again is left
      // out, as one it cannot read is; the output was not touched.
    }
  }
  try {
    WriteMetadata(to, nullptr, software, record);
  } catch (const std::exception& error) {
    throw Error("Cannot write the metadata of " + to + ": " + error.what());
  }
}

}  // namespace brumel
