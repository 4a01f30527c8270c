// libjpeg reports a fatal error by calling error_exit, which by default prints and calls exit().
// Ours jumps back to the setjmp in Decompress instead. Only Decompress and libjpeg's own C frames
// lie between the setjmp and the jump, and Decompress keeps nothing with a destructor, so the jump
// skips no C++ clean-up: the image lives in the caller and the row buffers in libjpeg's memory
// pool, which jpeg_destroy_decompress frees either way.
//
// Warnings are noted, not printed; a file that ends before its last row (libjpeg would show the
// rest in grey) counts as broken, so authors learn of a truncated picture.
//
// What a small file can cost is bounded before and while it is decoded: a picture of more than
// kMaxJpegPixels is refused from its header, libjpeg's working memory is capped, and a progress
// monitor ends the decode at the first scan beyond kMaxJpegScans (libjpeg reads every scan of a
// progressive file in jpeg_start_decompress, calling the monitor as it goes).
#include "pictures/jpeg_decoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstdint>
#include <limits>

#include "pictures/picture_limits.h"

namespace kelmo {
namespace {

struct TJpegErrors {
  jpeg_error_mgr Manager;  // first, so libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf Jump;
};

[[noreturn]] void JumpOut(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Jump, 1);
}

// Ends the decode once the file has more scans than kMaxJpegScans.
void CountScans(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans) JumpOut(info);
}

// Warnings (level -1) and traces (level >= 0) are not printed. The entropy decoder warns of a
// marker (or the end of the data) when it needs bits that are not there: the picture is
// truncated or corrupt, and the decode ends there rather than go on over rows of nothing (a small
// file claiming a large picture, or made of empty scans, would cost seconds). A missing end
// marker alone is only a warning of the end of the data.
void NoteMessage(j_common_ptr info, int level) {
  const auto* errors = reinterpret_cast<const TJpegErrors*>(info->err);
  if (level < 0 && errors->Manager.msg_code == JWRN_HIT_MARKER) JumpOut(info);
}

// One CMYK pixel as RGB. Adobe's files store the inks inverted (255 = no ink).
QRgb CmykToRgb(const JSAMPLE* cmyk, bool inverted) {
  int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
  if (!inverted) {
    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
  }
  return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

// Decodes into image. Returns false when libjpeg fails or the picture is beyond the limits.
bool Decompress(jpeg_decompress_struct& info, TJpegErrors& errors, std::string_view bytes,
                QImage& image) {
  if (setjmp(errors.Jump) != 0) return false;
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxJpegWorkingBytes;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = CountScans;
  info.progress = &progress;
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (!WithinPictureLimits(info.image_width, info.image_height) ||
      int64_t{info.image_width} * info.image_height > kMaxJpegPixels) {
    return false;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;  // BGRX is QImage's RGB32 in memory
  jpeg_start_decompress(&info);

  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB32);
  if (image.isNull()) return false;
  JSAMPARRAY cmykRow = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                        JPOOL_IMAGE, info.output_width * 4, 1)
                            : nullptr;
  while (info.output_scanline < info.output_height) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(info.output_scanline)));
    JSAMPROW row = cmyk ? cmykRow[0] : reinterpret_cast<JSAMPROW>(line);
    if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
    if (cmyk) {
      for (JDIMENSION x = 0; x < info.output_width; ++x) {
        line[x] = CmykToRgb(row + 4 * x, info.saw_Adobe_marker);
      }
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<unsigned long>::max()) return {};
  jpeg_decompress_struct info{};
  TJpegErrors errors{};
  info.err = jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = JumpOut;
  errors.Manager.emit_message = NoteMessage;
  QImage image;
  const bool decoded = Decompress(info, errors, bytes, image);
  jpeg_destroy_decompress(&info);
  return decoded ? image : QImage();
}

}  // namespace kelmo
