// Qt's BMP reader is built into Qt GUI, so it needs neither a plug-in nor a display. The size is
// read from the header first and checked against the picture limits before any pixel memory is
// taken; Qt's own allocation limit is set to the same bound as a second guard.
#include "pictures/bmp_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "pictures/picture_limits.h"

namespace kelmo {

QImage DecodeBmp(std::string_view bytes) {
  const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, "bmp");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (!WithinPictureLimits(size.width(), size.height())) return {};
  reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes / (1024 * 1024)));
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

}  // namespace kelmo
