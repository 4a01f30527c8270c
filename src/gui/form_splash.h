// The splash window (`TFormSplash`) shown while a character loads: a small borderless box centred
// on the screen and kept on top, with a grey outline, the program's icon, the program name in
// large bold type with a grey shadow, and a status line along the bottom. Everything is drawn in
// code. The window lives only while the load runs: the event loop is not running then, so a new
// status line is painted at once.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace kelmo {

// The splash window's size in pixels.
inline constexpr int kSplashWidth = 245;
inline constexpr int kSplashHeight = 100;

class TFormSplash : public QWidget {
 public:
  TFormSplash();

  // Shows the window (centred on the primary screen) when it is hidden and paints text as its
  // status line before returning.
  void SetStatus(const QString& text);

  const QString& Status() const { return status_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString status_;
  QImage icon_;
};

}  // namespace kelmo
