// A paint box (`PaintBitmap`, `PaintBalloon`): draws one picture at its top-left corner over the
// window's background, blending pictures that carry transparency. It takes no focus, so the
// balloon keeps it, and leaves right-clicks to the window, which opens its popup menu.
//
// The picture is drawn zoomed (the window's zoom setting) on a screen of any scale factor: its
// size on the screen is given in device-independent pixels, and the picture is scaled once,
// smoothly, straight to the screen's own pixels. Scaling first to the zoomed size and letting the
// desktop's factor scale that again would blur it twice. The scaled copy is kept until the
// picture, the zoom or the screen's factor changes, so typing (which repaints the balloon's
// background letter by letter) costs no scaling.
#pragma once

#include <QImage>
#include <QWidget>

namespace kelmo {

class TPictureBox : public QWidget {
 public:
  explicit TPictureBox(const QString& objectName, QWidget* parent = nullptr);

  // The picture to draw (a null image draws nothing); repaints when it changed.
  void SetPicture(const QImage& picture);

  // The zoom the picture is drawn at (1 for its own size); repaints when it changed.
  void SetZoom(double zoom);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;  // shared with the picture set's copy
  double zoom_ = 1.0;
  QImage scaled_;  // picture_ at zoom_ in the screen's pixels, when those differ from its own
};

}  // namespace kelmo
