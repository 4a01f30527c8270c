// The paint box.
#include "gui/picture_box.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kelmo {

TPictureBox::TPictureBox(const QString& objectName, QWidget* parent) : QWidget(parent) {
  setObjectName(objectName);
  setFocusPolicy(Qt::NoFocus);
}

void TPictureBox::SetPicture(const QImage& picture) {
  // Images share their pixels: an unchanged picture costs no repaint.
  if (picture.cacheKey() == picture_.cacheKey()) return;
  picture_ = picture;
  scaled_ = QImage();
  update();
}

void TPictureBox::SetZoom(double zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  scaled_ = QImage();
  update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  const qreal ratio = devicePixelRatioF();
  if (zoom_ == 1.0 && ratio == 1.0) {
    painter.drawImage(0, 0, picture_);
    return;
  }
  const double factor = zoom_ * ratio;
  const QSize screenPixels(std::max(1, static_cast<int>(std::lround(picture_.width() * factor))),
                           std::max(1, static_cast<int>(std::lround(picture_.height() * factor))));
  if (scaled_.size() != screenPixels || scaled_.devicePixelRatio() != ratio) {
    // Where a picture pixel is a screen pixel, it is drawn as it is.
    scaled_ = screenPixels == picture_.size()
                  ? picture_.copy()
                  : picture_.scaled(screenPixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled_.setDevicePixelRatio(ratio);
  }
  painter.drawImage(0, 0, scaled_);
}

}  // namespace kelmo
