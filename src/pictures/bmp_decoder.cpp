// Qt's BMP reader is built into Qt GUI, so it needs neither a plug-in nor a display. The size is
// read from the header first and checked against the picture limits before any pixel memory is
// taken; Qt's own allocation limit is set to the same bound as a second guard.
//
// Qt reads a file whose rows end early as if the missing rows were black. Such a file is refused
// here instead, so that its author learns of it: for uncompressed bitmaps the rows' size follows
// from the header and is checked against the file's size.
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

uint32_t ReadLe(std::string_view bytes, size_t at, size_t length) {
  uint32_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

// False when the header of an uncompressed bitmap claims more rows than the file holds.
bool RowsFit(std::string_view bytes) {
  if (bytes.size() < kCompressionAt + 4 || ReadLe(bytes, kInfoSizeAt, 4) < kInfoHeaderBytes) {
    return true;  // too short or an old header: Qt decides
  }
  const uint32_t compression = ReadLe(bytes, kCompressionAt, 4);
  if (std::find(std::begin(kPlainCompressions), std::end(kPlainCompressions), compression) ==
      std::end(kPlainCompressions)) {
    return true;
  }
  const int64_t width = static_cast<int32_t>(ReadLe(bytes, kWidthAt, 4));
  const int64_t height = std::abs(int64_t{static_cast<int32_t>(ReadLe(bytes, kHeightAt, 4))});
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
  if (!WithinPictureLimits(size.width(), std::abs(size.height())) || !RowsFit(bytes)) return {};
  reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes / (1024 * 1024)));
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

}  // namespace kelmo
