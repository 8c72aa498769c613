#include "batch/metadata_copy.h"

// libexiv2 0.27 hands its images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <exiv2/exiv2.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
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

Error SystemFailure(const std::string& what, const std::string& file, int error) {
  return Error("Cannot write the metadata of " + file + ": " + what +
               " it: " + std::strerror(error));
}

std::vector<std::uint8_t> FileBytes(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) throw SystemFailure("cannot open", name, errno);
  std::vector<std::uint8_t> bytes;
  const bool sized = std::fseek(file, 0, SEEK_END) == 0;
  const long size = sized ? std::ftell(file) : -1;
  if (size > 0) {
    bytes.resize(static_cast<std::size_t>(size));
    std::rewind(file);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
  }
  const int error = errno;
  std::fclose(file);
  if (size <= 0 || bytes.empty()) throw SystemFailure("cannot read", name, error);
  return bytes;
}

// The bytes as the file `name`, in one write, complete or not at all.
void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  AtomicFile file(name);
  if (file.Stream() == nullptr) throw SystemFailure("cannot create", name, file.SystemError());
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size() || !file.Commit())
    throw SystemFailure("cannot write", name, file.SystemError() != 0 ? file.SystemError() : errno);
}

// Writes the source's metadata (none when null), the Software tag and the record into the
// bytes of a picture file. libexiv2 makes the whole file anew, and for a TIFF file it keeps the
// output's own layout tags and strips. It works on the bytes in memory: its own file I/O writes
// 4 KiB at a time, some 11,000 system calls for a 45 MB TIFF.
void WriteMetadata(std::vector<std::uint8_t>& bytes, Exiv2::Image* source,
                   const std::string& software, const RestorationRecord& record) {
  Exiv2::Image::AutoPtr target =
      Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
  Exiv2::ExifData exif = source ? source->exifData() : Exiv2::ExifData();
  TidyExif(exif, software);
  target->setExifData(exif);
  Exiv2::XmpData xmp = source ? source->xmpData() : Exiv2::XmpData();
  // A caller that does not know the options gives none, rather than a record that lies.
  if (!record.settings.empty()) xmp[kRecordSettingsKey] = record.settings;
  xmp[kRecordSourceKey] = record.source;
  // The writer leaves out, without a word, XMP that the toolkit refuses to encode; asked first,
  // the refusal is an error like any other.
  std::string packet;
  if (Exiv2::XmpParser::encode(packet, xmp) > 1) throw Error("its XMP cannot be encoded");
  target->setXmpData(xmp);
  if (source) {
    target->setIptcData(source->iptcData());
    if (source->iccProfileDefined()) {
      Exiv2::DataBuf profile(source->iccProfile()->pData_, source->iccProfile()->size_);
      target->setIccProfile(profile);
    }
  }
  target->writeMetadata();
  Exiv2::BasicIo& io = target->io();
  io.open();
  const Exiv2::byte* written = io.mmap();
  bytes.assign(written, written + io.size());
}

}  // namespace

void AddMetadata(const std::string& from, std::vector<std::uint8_t>& bytes, const std::string& to,
                 const std::string& software, const RestorationRecord& record) {
  const auto library = UseMetadataLibrary();
  Exiv2::Image::AutoPtr source = ReadSource(from);
  if (source.get() != nullptr) {
    try {
      WriteMetadata(bytes, source.get(), software, record);
      return;
    } catch (const std::exception&) {
      // A damaged block of the input's that the library read but cannot write again is left
      // out, as one it cannot read is; the bytes were not touched.
    }
  }
  try {
    WriteMetadata(bytes, nullptr, software, record);
  } catch (const std::exception& error) {
    throw Error("Cannot write the metadata of " + to + ": " + error.what());
  }
}

void CopyMetadata(const std::string& from, const std::string& to, OutputFormat format,
                  const std::string& software, const RestorationRecord& record) {
  if (format == OutputFormat::WindowsBitmap) return;  // a bitmap file has no place for it
  std::vector<std::uint8_t> bytes = FileBytes(to);
  AddMetadata(from, bytes, to, software, record);
  WriteFile(to, bytes);
}

}  // namespace brumel
