#include "formats/jpeg/jpeg_codec.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_access.h"

namespace brumel {

namespace {

constexpr int kJpegQuality = 90;
constexpr char kStreamWriteError[] = "Stream write error";

// The library's error manager with the place its error_exit jumps back to, and what the decode
// has to tell beyond a message code. Trivially destructible, like everything else in the frames
// the jump leaves.
struct JpegErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf jump;
  // The library's text for the error that ended the work.
  char message[JMSG_LENGTH_MAX];
  // The bytes the file holds, the bound for the picture its header declares; 0 for no bound.
  std::uint64_t fileBytes;
  bool tooFewBytes;
  bool tooManyCoefficients;
  // The first warning that data are damaged or missing (0 for none), and where it came.
  int damageCode;
  char damageMessage[JMSG_LENGTH_MAX];
  JDIMENSION damageRow;
  int damageScan;
  // What the header declares.
  JDIMENSION declaredWidth;
  JDIMENSION declaredHeight;
  bool progressive;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

// The warnings that mean the pixels from here on are not the file's: its data end early or are
// corrupt. Others (extra bytes before a marker, an odd Adobe transform) leave the picture whole.
bool MeansDamage(int code) {
  return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
         code == JWRN_MUST_RESYNC || code == JWRN_ARITH_BAD_CODE;
}

// Warnings are not shown; the first that means damage is kept with the row the decoder was on.
void JpegNoteWarning(j_common_ptr cinfo, int level) {
  if (level >= 0 || !cinfo->is_decompressor) return;
  JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  ++cinfo->err->num_warnings;
  const int code = cinfo->err->msg_code;
  if (manager->damageCode != 0 || !MeansDamage(code)) return;
  const j_decompress_ptr decoder = reinterpret_cast<j_decompress_ptr>(cinfo);
  manager->damageCode = code;
  (*cinfo->err->format_message)(cinfo, manager->damageMessage);
  const JDIMENSION row = decoder->input_iMCU_row * decoder->max_v_samp_factor * DCTSIZE;
  manager->damageRow = row < decoder->image_height ? row : decoder->image_height;
  manager->damageScan = decoder->input_scan_number;
}

// Every scan of a progressive file passes over the whole picture, even an empty one, so a file
// of a few kilobytes with thousands of scans would keep the decoder busy for minutes. Encoders
// write a few dozen at most; libjpeg-turbo's own tools stop at the same number.
constexpr int kMaxScans = 500;

// The progress monitor, called between the rows of every scan: refuses a file with more scans.
void JpegLimitScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
}

// The 8 x 8 blocks of all components, as jpeg_read_header declares them.
std::uint64_t BlockCount(j_decompress_ptr cinfo) {
  std::uint64_t blocks = 0;
  for (int c = 0; c < cinfo->num_components; ++c)
    blocks +=
        std::uint64_t{cinfo->comp_info[c].width_in_blocks} * cinfo->comp_info[c].height_in_blocks;
  return blocks;
}

// Every 8 x 8 block of every component costs a Huffman-coded file at least one bit for its DC
// value, and a sequential file one more for the end of its AC values. Arithmetic coding can go
// below that, so its files are bounded by the decoder's memory alone.
bool FileHoldsPicture(j_decompress_ptr cinfo, std::uint64_t fileBytes) {
  if (fileBytes == 0 || cinfo->arith_code) return true;
  const std::uint64_t bitsPerBlock = cinfo->progressive_mode ? 1 : 2;
  return BlockCount(cinfo) * bitsPerBlock / 8 <= fileBytes;
}

// A file of several scans (every progressive file) keeps all 64 coefficients of every block, two
// bytes each, until its last scan; the library's memory manager sets no bound of its own, so that
// buffer stops at kMaxPictureBytes, as the picture does. Only 4:4:4 colour files come near it.
bool CoefficientsFit(j_decompress_ptr cinfo) {
  return jpeg_has_multiple_scans(cinfo) == FALSE ||
         BlockCount(cinfo) * DCTSIZE2 * sizeof(JCOEF) <= kMaxPictureBytes;
}

void InstallErrorManager(JpegErrorManager* manager) {
  jpeg_std_error(&manager->library);
  manager->library.error_exit = JpegErrorExit;
  manager->library.emit_message = JpegNoteWarning;
}

// The decoded picture's pixels, left unset since every row is decoded into (on damage the
// library itself fills the rows it has no data for); false when they don't fit in memory.
bool AllocatePicture(Bitmap* picture, JDIMENSION width, JDIMENSION height) noexcept {
  try {
    picture->Allocate(static_cast<int>(width), static_cast<int>(height), PixelFormat::Bits24);
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
  JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  manager->declaredWidth = cinfo->image_width;
  manager->declaredHeight = cinfo->image_height;
  manager->progressive = cinfo->progressive_mode != FALSE;
  if (!FileHoldsPicture(cinfo, manager->fileBytes)) {
    manager->tooFewBytes = true;
    ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
  }
  if (!CoefficientsFit(cinfo)) {
    manager->tooManyCoefficients = true;
    ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
  }
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

// 0 when picture holds the decoded file, otherwise the library's message code; outcome holds
// the rest of what happened. stream, when given, holds fileBytes.
int DecodeJpegStream(std::FILE* stream, const std::uint8_t* data, std::size_t size, Bitmap* picture,
                     RowProgress* progress, JpegErrorManager* outcome) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrorManager(outcome);
  cinfo.err = &outcome->library;
  jpeg_progress_mgr monitor;
  std::memset(&monitor, 0, sizeof monitor);
  monitor.progress_monitor = JpegLimitScans;
  if (setjmp(outcome->jump) != 0) {
    const int code = outcome->library.msg_code;
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
int EncodeJpegStream(std::FILE* stream, const Bitmap* picture, RowGate* gate,
                     JpegErrorManager* outcome) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrorManager(outcome);
  cinfo.err = &outcome->library;
  if (setjmp(outcome->jump) != 0) {
    const int code = outcome->library.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code;
  }
  jpeg_create_compress(&cinfo);
  EncodeJpegSteps(&cinfo, stream, picture, gate);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

// The window's "JPEG error #" and the code; the command line adds the library's text.
[[noreturn]] void ThrowJpegError(int code, const JpegErrorManager& outcome) {
  const std::string window = "JPEG error #" + std::to_string(code);
  if (outcome.tooFewBytes)
    throw Error(window, window + ": " +
                            TooFewBytesText(outcome.fileBytes, outcome.declaredWidth,
                                            outcome.declaredHeight));
  if (outcome.tooManyCoefficients)
    throw Error(window, window + ": a file of several scans of " +
                            std::to_string(outcome.declaredWidth) + " x " +
                            std::to_string(outcome.declaredHeight) +
                            " needs more memory to decode than a picture may take");
  throw Error(window, window + ": " + outcome.message);
}

// What is missing from a picture decoded in part; empty for a whole one.
std::string DamageText(const JpegErrorManager& outcome) {
  if (outcome.damageCode == 0) return {};
  const bool progressive = outcome.progressive;
  const std::string where =
      "row " + std::to_string(outcome.damageRow) + " of " + std::to_string(outcome.declaredHeight);
  const std::string rest =
      progressive ? "; below it the picture lacks the later scans' detail" : "; the rest is grey";
  if (outcome.damageCode == JWRN_JPEG_EOF) {
    if (progressive)
      return "the file ends in scan " + std::to_string(outcome.damageScan) + ", at " + where + rest;
    return "the file ends at " + where + rest;
  }
  return std::string(outcome.damageMessage) + " at " + where + rest;
}

// Decodes from a stream or from memory into target, replaced only after the decode went to its
// end; the damage it met, if any. An empty target has no picture to keep, so the decode goes
// straight into the memory it holds.
std::string Decode(std::FILE* stream, const std::uint8_t* data, std::size_t size,
                   std::uint64_t fileBytes, Bitmap& target, RowProgress* progress) {
  JpegErrorManager outcome;
  std::memset(&outcome, 0, sizeof outcome);
  outcome.fileBytes = fileBytes;
  Bitmap fresh;
  Bitmap& picture = target.Empty() ? target : fresh;
  const int code = DecodeJpegStream(stream, data, size, &picture, progress, &outcome);
  // Before the picture goes, whether it moves to target or is dropped with the error.
  if (progress != nullptr) progress->Ended(code == 0);
  if (code != 0) {
    picture.Clear();
    ThrowJpegError(code, outcome);
  }
  if (&picture != &target) target = std::move(picture);
  return DamageText(outcome);
}

}  // namespace

std::string LoadJpegFile(const std::string& fileName, Bitmap& target, RowProgress* progress) {
  std::FILE* stream = OpenFileStream(fileName, "rb");
  if (stream == nullptr) throw Error("Cannot open file " + fileName);
  struct stat status {};
  const std::uint64_t fileBytes =
      fstat(fileno(stream), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
  try {
    std::string damage = Decode(stream, nullptr, 0, fileBytes, target, progress);
    std::fclose(stream);
    return damage;
  } catch (...) {
    std::fclose(stream);
    throw;
  }
}

std::string DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& target) {
  static const std::uint8_t kNothing = 0;
  return Decode(nullptr, data == nullptr ? &kNothing : data, data == nullptr ? 0 : size, size,
                target, nullptr);
}

void SaveJpegFile(const std::string& fileName, const Bitmap& bitmap, RowGate* gate) {
  RefuseEmptyPicture(bitmap, fileName);
  // A conversion reads every row at once.
  if (gate != nullptr && bitmap.Format() != PixelFormat::Bits24) {
    gate->AwaitRows(bitmap.Height());
    gate = nullptr;
  }
  Bitmap converted;
  const Bitmap* source = &In24Bits(bitmap, converted);
  AtomicFile file(fileName);
  if (file.Stream() == nullptr)
    throw WriteError("Cannot create file " + fileName, fileName, file.SystemError());
  JpegErrorManager outcome;
  std::memset(&outcome, 0, sizeof outcome);
  errno = 0;
  const int code = EncodeJpegStream(file.Stream(), source, gate, &outcome);
  if (code == JERR_FILE_WRITE) throw WriteError(kStreamWriteError, fileName, errno);
  if (code != 0) ThrowJpegError(code, outcome);
  if (!file.Commit()) throw WriteError(kStreamWriteError, fileName, file.SystemError());
}

}  // namespace brumel
