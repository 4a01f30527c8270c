// A paint box (`PaintBitmap`, `PaintBalloon`): draws one picture at its top-left corner over the
// window's background, blending pictures that carry transparency. It takes no focus, so the
// balloon keeps it, and leaves right-clicks to the window, which opens its popup menu.
#pragma once

#include <QImage>
#include <QWidget>

namespace kelmo {

class TPictureBox : public QWidget {
 public:
  explicit TPictureBox(const QString& objectName, QWidget* parent = nullptr);

  // The picture to draw (a null image draws nothing); repaints when it changed.
  void SetPicture(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;  // shared with the picture set's copy
};

}  // namespace kelmo
