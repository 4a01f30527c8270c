// The key compares red, green and blue only, on opaque 32-bit rows, one word per pixel.
#include "pictures/colour_key.h"

#include <QPainter>

namespace kelmo {
namespace {

constexpr QRgb kRgbMask = 0x00ffffff;

// The bitmap as opaque 32-bit pixels, composed over background where it has alpha.
QImage Opaque(const QImage& bitmap, QColor background) {
  if (!bitmap.hasAlphaChannel()) return bitmap.convertToFormat(QImage::Format_RGB32);
  QImage opaque(bitmap.size(), QImage::Format_RGB32);
  opaque.fill(background);
  QPainter painter(&opaque);
  painter.drawImage(0, 0, bitmap);
  return opaque;
}

}  // namespace

void ReplaceColour(QImage& bitmap, QColor from, QColor to) {
  if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0) return;
  bitmap = Opaque(bitmap, to);
  const QRgb key = from.rgb() & kRgbMask;
  const QRgb replacement = to.rgb() | ~kRgbMask;
  const int width = bitmap.width();  // QImage's accessors are calls into Qt: kept out of the loop
  const int height = bitmap.height();
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
    for (int x = 0; x < width; ++x) {
      if ((line[x] & kRgbMask) == key) line[x] = replacement;
    }
  }
}

QImage ColourKeyed(const QImage& picture, QColor background) {
  if (picture.isNull()) return picture;
  QImage keyed = Opaque(picture, background);
  ReplaceColour(keyed, QColor(keyed.pixel(0, keyed.height() - 1)), background);
  return keyed;
}

}  // namespace kelmo
