// The metadata copy from damaged inputs. The first byte chooses the input's kind, the second the
// output's format; the rest is the input itself for a TIFF (whose directory is its EXIF), or the
// EXIF block and the XMP packet of a small JPEG or PNG file. The copy must end in an output
// whose pixels are the writer's, or in the error type.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "batch/metadata_copy.h"
#include "formats/load_image.h"
#include "fuzz_target.h"

namespace brumel::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

class NoMessages final : public MessagePort {
 public:
  void ShowInformation(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

constexpr std::size_t kMostSegment = 65533;  // what a JPEG segment's length can hold
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";

// A folder of this process's own, made once.
const std::string& WorkFolder() {
  static const std::string folder = [] {
    char name[] = "/tmp/brumel-metadata-fuzz-XXXXXX";
    if (mkdtemp(name) == nullptr) std::abort();
    return std::string(name);
  }();
  return folder;
}

Bitmap SmallPicture() {
  Bitmap picture(5, 3, PixelFormat::Bits24);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < 3 * picture.Width(); ++x)
      picture.ScanLine(y)[x] = static_cast<std::uint8_t>(37 * x + 91 * y);
  return picture;
}

Bytes FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The bytes of the small picture as the writer of the format makes them.
Bytes Written(OutputFormat format, const std::string& name) {
  FormatRow(format).write(name, SmallPicture(), nullptr);
  return FileBytes(name);
}

void Append(Bytes& bytes, std::span<const std::uint8_t> more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

void AppendBigEndian(Bytes& bytes, std::uint32_t value, int count) {
  for (int shift = 8 * (count - 1); shift >= 0; shift -= 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendText(Bytes& bytes, std::string_view text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

Bytes JpegSegment(std::string_view signature, std::span<const std::uint8_t> payload) {
  payload = payload.first(std::min(payload.size(), kMostSegment - signature.size()));
  Bytes segment{0xff, 0xe1};
  AppendBigEndian(segment, static_cast<std::uint32_t>(2 + signature.size() + payload.size()), 2);
  AppendText(segment, signature);
  Append(segment, payload);
  return segment;
}

// A JPEG file whose APP1 segments, right after its start, hold payload as EXIF and as XMP.
Bytes JpegWith(std::span<const std::uint8_t> payload, const std::string& scratch) {
  const Bytes picture = Written(OutputFormat::Jpeg, scratch);
  Bytes file(picture.begin(), picture.begin() + 2);
  Append(file, JpegSegment(std::string_view("Exif\0\0", 6), payload));
  Append(file, JpegSegment(std::string_view(kXmpSignature, sizeof kXmpSignature), payload));
  file.insert(file.end(), picture.begin() + 2, picture.end());
  return file;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

Bytes PngChunk(std::string_view type, std::span<const std::uint8_t> data) {
  Bytes chunk;
  AppendBigEndian(chunk, static_cast<std::uint32_t>(data.size()), 4);
  AppendText(chunk, type);
  Append(chunk, data);
  AppendBigEndian(chunk, Crc32(std::span(chunk).subspan(4)), 4);
  return chunk;
}

// A PNG file whose chunks after the header hold payload as EXIF (eXIf) and as XMP (iTXt).
Bytes PngWith(std::span<const std::uint8_t> payload, const std::string& scratch) {
  const Bytes picture = Written(OutputFormat::Png, scratch);
  constexpr std::size_t kAfterHeader = 8 + 25;  // the signature and the IHDR chunk
  Bytes file(picture.begin(), picture.begin() + kAfterHeader);
  Append(file, PngChunk("eXIf", payload));
  Bytes text;
  AppendText(text, std::string_view("XML:com.adobe.xmp\0\0\0\0\0", 22));
  Append(text, payload);
  Append(file, PngChunk("iTXt", text));
  file.insert(file.end(), picture.begin() + kAfterHeader, picture.end());
  return file;
}

Bitmap Loaded(const std::string& name) {
  Bitmap picture;
  NoMessages messages;
  if (!LoadImageFile(name, picture, messages)) std::abort();
  return picture;
}

constexpr std::array<OutputFormat, 3> kOutputs = {OutputFormat::Png, OutputFormat::Jpeg,
                                                  OutputFormat::Tiff};

}  // namespace

std::string ReadInput(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2) return "too short";
  const int kind = bytes[0] % 3;
  const OutputFormat format = kOutputs[bytes[1] % kOutputs.size()];
  const std::span<const std::uint8_t> payload = bytes.subspan(2);
  const std::string folder = WorkFolder();
  const std::string input = folder + "/input";
  const std::string output = folder + "/output" + FormatRow(format).outputExtension;
  WriteFile(input, kind == 0   ? Bytes(payload.begin(), payload.end())
                   : kind == 1 ? JpegWith(payload, folder + "/scratch.jpg")
                               : PngWith(payload, folder + "/scratch.png"));
  FormatRow(format).write(output, SmallPicture(), nullptr);
  const Bitmap written = Loaded(output);
  std::string outcome = "copied";
  try {
    CopyMetadata(input, output, format, "Brumel fuzz", {"--gamma 200", "input"});
  } catch (const Error& error) {
    outcome = error.what();
  }
  // Whatever the metadata did, the pixels are the writer's.
  const Bitmap read = Loaded(output);
  if (read.Width() != written.Width() || read.Height() != written.Height()) std::abort();
  for (int y = 0; y < written.Height(); ++y)
    if (!std::equal(written.ScanLine(y), written.ScanLine(y) + 3 * written.Width(),
                    read.ScanLine(y)))
      std::abort();
  return outcome;
}

}  // namespace brumel::fuzz
