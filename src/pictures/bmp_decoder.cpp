// Qt's BMP reader is built into Qt GUI, so it needs neither a plug-in nor a display. The size is
// read from the header first and checked against the picture limits before any pixel memory is
// taken; Qt's own allocation limit is set to the same bound as a second guard.
//
// Qt reads a file whose pixel data ends early as if the missing pixels were black. One rule holds
// for every layout: a bitmap whose data ends before its picture is complete is refused, so that
// its author learns of it. For uncompressed bitmaps the rows' size follows from the header and is
// checked against the file's size; run-length data is walked code by code (linear in the file)
// and must reach its end-of-bitmap code or its last row before the file ends.
#include "pictures/bmp_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "pictures/picture_limits.h"

namespace kelmo {
namespace {

// Where the fields read here lie in a BMP file (a 14-byte file header, then the info header).
constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kInfoSizeAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kBitCountAt = 28;
constexpr size_t kCompressionAt = 30;
constexpr uint32_t kInfoHeaderBytes = 40;
// Compressions whose rows are stored plain: RGB, bit fields, bit fields with alpha.
constexpr uint32_t kPlainCompressions[] = {0, 3, 6};
// Run-length compressions of 8 and 4 bits per pixel, and their escape codes (a zero count).
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr unsigned char kEndOfLine = 0;
constexpr unsigned char kEndOfBitmap = 1;
constexpr unsigned char kDelta = 2;

uint32_t ReadLe(std::string_view bytes, size_t at, size_t length) {
  uint32_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

// Whether the run-length codes from the pixel offset reach the end-of-bitmap code, or the end of
// the last of the height's rows, before the bytes end.
bool RunLengthDataComplete(std::string_view bytes, int64_t height, uint32_t compression) {
  const auto byteAt = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
  int64_t row = 0;
  for (size_t at = ReadLe(bytes, kPixelOffsetAt, 4); at + 2 <= bytes.size();) {
    const unsigned char count = byteAt(at);
    const unsigned char code = byteAt(at + 1);
    at += 2;
    if (count != 0) continue;  // a run of one colour
    if (code == kEndOfBitmap) return true;
    if (code == kEndOfLine) {
      if (++row >= height) return true;
    } else if (code == kDelta) {
      if (at + 2 > bytes.size()) return false;
      row += byteAt(at + 1);
      at += 2;
      if (row >= height) return true;
    } else {
      // Literal pixels, padded to a whole number of 16-bit words.
      const size_t literal = compression == kRle8 ? code : (code + 1u) / 2;
      at += literal + literal % 2;
      if (at > bytes.size()) return false;
    }
  }
  return false;
}

// False when the bitmap's pixel data ends before its picture is complete.
bool PixelDataComplete(std::string_view bytes) {
  if (bytes.size() < kCompressionAt + 4 || ReadLe(bytes, kInfoSizeAt, 4) < kInfoHeaderBytes) {
    return true;  // too short or an old header: Qt decides
  }
  const uint32_t compression = ReadLe(bytes, kCompressionAt, 4);
  const int64_t height = std::abs(int64_t{static_cast<int32_t>(ReadLe(bytes, kHeightAt, 4))});
  if (compression == kRle8 || compression == kRle4) {
    return RunLengthDataComplete(bytes, height, compression);
  }
  if (std::find(std::begin(kPlainCompressions), std::end(kPlainCompressions), compression) ==
      std::end(kPlainCompressions)) {
    return true;
  }
  const int64_t width = static_cast<int32_t>(ReadLe(bytes, kWidthAt, 4));
  const int64_t rowBytes = (width * ReadLe(bytes, kBitCountAt, 2) + 31) / 32 * 4;
  return ReadLe(bytes, kPixelOffsetAt, 4) + rowBytes * height <= static_cast<int64_t>(bytes.size());
}

}  // namespace

QImage DecodeBmp(std::string_view bytes) {
  const QByteArray data =
      QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, "bmp");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();  // a top-down bitmap gives its height negative
  if (!WithinPictureLimits(size.width(), std::abs(size.height())) || !PixelDataComplete(bytes))
    return {};
  reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes / (1024 * 1024)));
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

}  // namespace kelmo
