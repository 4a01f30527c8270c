// The paint box.
#include "gui/picture_box.h"

#include <QPainter>

namespace kelmo {

TPictureBox::TPictureBox(const QString& objectName, QWidget* parent) : QWidget(parent) {
  setObjectName(objectName);
  setFocusPolicy(Qt::NoFocus);
}

void TPictureBox::SetPicture(const QImage& picture) {
  // Images share their pixels: an unchanged picture costs no repaint.
  if (picture.cacheKey() == picture_.cacheKey()) return;
  picture_ = picture;
  update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

}  // namespace kelmo
