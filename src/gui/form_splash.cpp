// The splash window, drawn in code.
#include "gui/form_splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "gui/program_icon.h"
#include "gui/window_exposure.h"

namespace kelmo {
namespace {

// The program name and its type.
constexpr const char* kProgramName = "DorrinKelmo";
constexpr int kNamePixelSize = 24;
// Where the parts sit, in pixels.
constexpr int kIconSize = 40;
constexpr int kMargin = 10;
constexpr int kShadowOffset = 2;
constexpr int kStatusHeight = 22;

const QColor kOutline(128, 128, 128);
const QColor kShadow(160, 160, 160);

}  // namespace

TFormSplash::TFormSplash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      icon_(ProgramIcon()) {
  setObjectName("TFormSplash");
  setFixedSize(kSplashWidth, kSplashHeight);
  setCursor(Qt::WaitCursor);
  setAutoFillBackground(true);
}

void TFormSplash::SetStatus(const QString& text) {
  status_ = text;
  if (!isVisible()) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.center() - rect().center());
    // No user input runs meanwhile: the load that shows the splash must not be re-entered.
    ShowExposed(*this);
  }
  repaint();
}

void TFormSplash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(kOutline);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  const QRect iconArea(kMargin, kMargin, kIconSize, kIconSize);
  painter.drawImage(iconArea, icon_);

  QFont nameFont = font();
  nameFont.setPixelSize(kNamePixelSize);
  nameFont.setBold(true);
  painter.setFont(nameFont);
  const QRect nameArea(iconArea.right() + kMargin, kMargin,
                       width() - iconArea.right() - 2 * kMargin, kIconSize);
  painter.setPen(kShadow);
  painter.drawText(nameArea.translated(kShadowOffset, kShadowOffset), Qt::AlignVCenter,
                   kProgramName);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(nameArea, Qt::AlignVCenter, kProgramName);

  painter.setFont(font());
  const QRect statusArea(kMargin, height() - kStatusHeight - kMargin / 2, width() - 2 * kMargin,
                         kStatusHeight);
  painter.drawText(statusArea, Qt::AlignCenter, status_);
}

}  // namespace kelmo
