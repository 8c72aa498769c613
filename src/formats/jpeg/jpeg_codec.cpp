#include "formats/jpeg/jpeg_codec.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_access.h"

namespace brumel {

namespace {

constexpr int kJpegQuality = 90;

// The library's error manager with the place its error_exit jumps back to. Trivially
// destructible, like everything else in the frames the jump leaves.
struct JpegErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

// Warnings and trace messages are not shown.
void JpegIgnoreMessage(j_common_ptr /*cinfo*/) {}

// Every scan of a progressive file passes over the whole picture, even an empty one, so a file
// of a few kilobytes with thousands of scans would keep the decoder busy for minutes. Encoders
// write a few dozen at most; libjpeg-turbo's own tools stop at the same number.
constexpr int kMaxScans = 500;

// The progress monitor, called between the rows of every scan: refuses a file with more scans.
void JpegLimitScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
}

void InstallErrorManager(JpegErrorManager* manager) {
  jpeg_std_error(&manager->library);
  manager->library.error_exit = JpegErrorExit;
  manager->library.output_message = JpegIgnoreMessage;
}

// The decoded picture's pixels; false when they don't fit in memory.
bool AllocatePicture(Bitmap* picture, JDIMENSION width, JDIMENSION height) noexcept {
  try {
    *picture = Bitmap(static_cast<int>(width), static_cast<int>(height));
    return true;
  } catch (...) {
    return false;
  }
}

unsigned Product(unsigned a, unsigned b) {
  return (a * b + 127) / 255;
}

// One row of C, M, Y, K samples into blue, green, red. Adobe files store the inks inverted
// (0 = full ink), others store them plainly.
void CmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = static_cast<std::uint8_t>(Product(y, k));
    bgr[1] = static_cast<std::uint8_t>(Product(m, k));
    bgr[2] = static_cast<std::uint8_t>(Product(c, k));
  }
}

// The decode under the setjmp of DecodeJpegStream: nothing here has a destructor, every
// failure is an ERREXIT of the library.
void DecodeJpegSteps(j_decompress_ptr cinfo, std::FILE* stream, const std::uint8_t* data,
                     std::size_t size, Bitmap* picture, RowProgress* progress) {
  if (stream != nullptr)
    jpeg_stdio_src(cinfo, stream);
  else
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  if (!PictureFits(cinfo->image_width, cinfo->image_height))
    ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
  const bool inks = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = inks ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(cinfo);
  const JDIMENSION width = cinfo->output_width;
  if (!AllocatePicture(picture, width, cinfo->output_height))
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  if (progress != nullptr) progress->Started(*picture);
  JSAMPARRAY scratch = nullptr;
  if (inks)
    scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                          width * 4, 1);
  while (cinfo->output_scanline < cinfo->output_height) {
    std::uint8_t* row = picture->ScanLine(static_cast<int>(cinfo->output_scanline));
    if (inks) {
      if (jpeg_read_scanlines(cinfo, scratch, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
      CmykRowToBgr(scratch[0], row, width, cinfo->saw_Adobe_marker != FALSE);
    } else {
      JSAMPROW rows[1] = {row};
      if (jpeg_read_scanlines(cinfo, rows, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    if (progress != nullptr) progress->RowsFinished(static_cast<int>(cinfo->output_scanline));
  }
  jpeg_finish_decompress(cinfo);
}

// 0 when picture holds the decoded file, otherwise the library's message code.
int DecodeJpegStream(std::FILE* stream, const std::uint8_t* data, std::size_t size, Bitmap* picture,
                     RowProgress* progress) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  JpegErrorManager error;
  InstallErrorManager(&error);
  cinfo.err = &error.library;
  jpeg_progress_mgr monitor;
  std::memset(&monitor, 0, sizeof monitor);
  monitor.progress_monitor = JpegLimitScans;
  if (setjmp(error.jump) != 0) {
    const int code = error.library.msg_code;
    jpeg_destroy_decompress(&cinfo);
    return code;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &monitor;
  DecodeJpegSteps(&cinfo, stream, data, size, picture, progress);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

void EncodeJpegSteps(j_compress_ptr cinfo, std::FILE* stream, const Bitmap* picture,
                     RowGate* gate) {
  jpeg_stdio_dest(cinfo, stream);
  cinfo->image_width = static_cast<JDIMENSION>(picture->Width());
  cinfo->image_height = static_cast<JDIMENSION>(picture->Height());
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, kJpegQuality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    if (gate != nullptr) gate->AwaitRows(static_cast<int>(cinfo->next_scanline) + 1);
    JSAMPROW rows[1] = {
        const_cast<JSAMPLE*>(picture->ScanLine(static_cast<int>(cinfo->next_scanline)))};
    jpeg_write_scanlines(cinfo, rows, 1);
  }
  jpeg_finish_compress(cinfo);
}

// 0 when the whole file was handed to the stream, otherwise the library's message code.
int EncodeJpegStream(std::FILE* stream, const Bitmap* picture, RowGate* gate) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  JpegErrorManager error;
  InstallErrorManager(&error);
  cinfo.err = &error.library;
  if (setjmp(error.jump) != 0) {
    const int code = error.library.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code;
  }
  jpeg_create_compress(&cinfo);
  EncodeJpegSteps(&cinfo, stream, picture, gate);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

[[noreturn]] void ThrowJpegError(int code) {
  throw Error("JPEG error #" + std::to_string(code));
}

}  // namespace

void LoadJpegFile(const std::string& fileName, Bitmap& target, RowProgress* progress) {
  std::FILE* stream = OpenFileStream(fileName, "rb");
  if (stream == nullptr) throw Error("Cannot open file " + fileName);
  Bitmap picture;
  const int code = DecodeJpegStream(stream, nullptr, 0, &picture, progress);
  std::fclose(stream);
  // Before the picture goes, whether it moves to target or is dropped with the error.
  if (progress != nullptr) progress->Ended(code == 0);
  if (code != 0) ThrowJpegError(code);
  target = std::move(picture);
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& target) {
  static const std::uint8_t kNothing = 0;
  Bitmap picture;
  const int code = DecodeJpegStream(nullptr, data == nullptr ? &kNothing : data,
                                    data == nullptr ? 0 : size, &picture, nullptr);
  if (code != 0) ThrowJpegError(code);
  target = std::move(picture);
}

void SaveJpegFile(const std::string& fileName, const Bitmap& bitmap, RowGate* gate) {
  // A conversion reads every row at once.
  if (gate != nullptr && bitmap.Format() != PixelFormat::Bits24) {
    gate->AwaitRows(bitmap.Height());
    gate = nullptr;
  }
  Bitmap converted;
  const Bitmap* source = &In24Bits(bitmap, converted);
  AtomicFile file(fileName);
  if (file.Stream() == nullptr) throw Error("Cannot create file " + fileName);
  const int code = EncodeJpegStream(file.Stream(), source, gate);
  if (code == JERR_FILE_WRITE) throw Error("Stream write error");
  if (code != 0) ThrowJpegError(code);
  if (!file.Commit()) throw Error("Stream write error");
}

}  // namespace brumel
