// Each balloon is one outline (body and tail united) filled and stroked without antialiasing:
// blended edge pixels would match neither the key nor the balloon and leave a fringe of the key
// colour around the balloon once keyed.
#include "pictures/built_in_balloons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace kelmo {
namespace {

// The background both balloons stand on, keyed away.
const QColor kKeyColour(255, 0, 255);
// Stroke width of the outline.
constexpr int kOutlineWidth = 4;

struct TBalloonShape {
  QRectF Body;
  qreal CornerRadius;
  QPolygonF Tail;
  QColor Fill;
  QColor Outline;
};

QImage Draw(const TBalloonShape& shape) {
  QImage picture(kBalloonWidth, kBalloonHeight, QImage::Format_RGB32);
  picture.fill(kKeyColour);
  QPainterPath outline;
  outline.addRoundedRect(shape.Body, shape.CornerRadius, shape.CornerRadius);
  QPainterPath tail;
  tail.addPolygon(shape.Tail);
  tail.closeSubpath();
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(shape.Outline, kOutlineWidth));
  painter.setBrush(shape.Fill);
  painter.drawPath(outline.united(tail));
  return picture;
}

}  // namespace

QImage CharacterBalloonPicture() {
  // The body holds the balloon text (x 40 to 310, y 20 to 180) with room to spare.
  return Draw({QRectF(22, 8, 322, 184), 28,
               QPolygonF({QPointF(24, 116), QPointF(24, 146), QPointF(2, 152)}),
               QColor(255, 253, 244), QColor(224, 123, 36)});
}

QImage UserBalloonPicture() {
  return Draw({QRectF(8, 6, 334, 180), 10,
               QPolygonF({QPointF(268, 184), QPointF(300, 184), QPointF(320, 198)}),
               QColor(226, 240, 255), QColor(47, 111, 208)});
}

}  // namespace kelmo
