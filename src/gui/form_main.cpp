// The main window: the view operations, layout, painting by state, keys, timer and placement.
#include "gui/form_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>

#include "gui/balloon_edit.h"
#include "gui/desktop_character.h"
#include "gui/form_nadenade.h"
#include "gui/form_splash.h"
#include "gui/frame_pacer.h"
#include "gui/message_box.h"
#include "gui/picture_box.h"
#include "gui/program_icon.h"
#include "gui/qt_text.h"
#include "gui/x11_window.h"
#include "pictures/built_in_balloons.h"
#include "shell/chat_controller.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

constexpr const char* kErrorPrefix = "dorrinkelmo: ";

// The window's border: a title with the system menu, a minimise box and a close box, no maximise
// box (the size follows the picture).
constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

QColor WindowBackground() {
  return QApplication::palette().color(QPalette::Button);
}

// The start of the axis: coordinate when given and on the desktop, else centred in available.
int PlaceOnAxis(int coordinate, int desktopStart, int desktopEnd, int availableStart,
                int availableLength, int windowLength) {
  if (coordinate < 0 || coordinate < desktopStart || coordinate > desktopEnd) {
    return availableStart + (availableLength - windowLength) / 2;
  }
  return coordinate;
}

}  // namespace

TFormMain::TFormMain(const std::string& appDir, bool trayAvailable, QWidget* parent)
    : QWidget(parent, kMainWindowFlags),
      pictures_(appDir, WindowBackground()),
      paintBitmap_(new TPictureBox("PaintBitmap", this)),
      paintBalloon_(new TPictureBox("PaintBalloon", this)),
      richBalloon_(new TBalloonEdit(this)),
      trayAvailable_(trayAvailable) {
  setObjectName("TFormMain");
  // A character package dropped on the window is installed (form_main_packages.cpp).
  setAcceptDrops(true);
  setWindowTitle(kDesignCaption);
  setWindowIcon(ProgramWindowIcon());
  QPalette background = palette();
  background.setColor(QPalette::Window, WindowBackground());
  setPalette(background);
  setAutoFillBackground(true);
  new TFramePacer(*this);
  // Whenever the window is active, typing goes into the balloon.
  setFocusProxy(richBalloon_);
  connect(richBalloon_, &TBalloonEdit::EnterPressed, this, &TFormMain::RichBalloonKeyPress);

  timer_.setObjectName("Timer");
  connect(&timer_, &QTimer::timeout, this, &TFormMain::TimerTimer);

  CreatePopupMenu();
  CreateTrayIcon();
  CreateNadenade();
  UpdateLayout();
}

TFormMain::~TFormMain() = default;

void TFormMain::Attach(TChatController& controller) {
  controller_ = &controller;
}

void TFormMain::StartTimer() {
  if (controller_ != nullptr && !closed_) timer_.start(controller_->TimerInterval());
}

void TFormMain::Guarded(const std::function<void()>& action) {
  if (controller_ == nullptr) return;
  try {
    action();
  } catch (const std::exception& error) {
    // The conversation stays as it was at that moment and goes on.
    std::cerr << kErrorPrefix << error.what() << std::endl;
  }
}

// ----- The two inputs ---------------------------------------------------------------------------

void TFormMain::RichBalloonKeyPress() {
  Guarded([&] { controller_->PressEnter(); });
}

void TFormMain::TimerTimer() {
  Guarded([&] { controller_->TimerTimer(); });
  if (controller_ == nullptr || closed_ || !timer_.isActive()) return;
  const int interval = controller_->TimerInterval();
  if (interval != timer_.interval()) timer_.setInterval(interval);
}

// ----- The balloon ------------------------------------------------------------------------------

std::string TFormMain::BalloonText() const {
  return richBalloon_->Text();
}

void TFormMain::SetBalloonText(const std::string& text) {
  richBalloon_->SetText(text);
}

void TFormMain::AppendToLastLine(const std::string& text) {
  richBalloon_->AppendToLastLine(text);
}

void TFormMain::SetBalloonReadOnly(bool readOnly) {
  richBalloon_->setReadOnly(readOnly);
}

void TFormMain::SetBalloonFont(const std::string& name, int pointSize) {
  balloonFontName_ = name;
  balloonPointSize_ = pointSize;
  ApplyBalloonFont();
}

void TFormMain::ApplyBalloonFont() {
  if (balloonPointSize_ == 0) return;
  QFont font = richBalloon_->font();
  font.setFamilies(WithJapaneseFallback(FromUtf8(balloonFontName_)));
  font.setPointSizeF(std::clamp(balloonPointSize_, kMinBalloonPointSize, kMaxBalloonPointSize) *
                     zoom_);
  richBalloon_->setFont(font);
}

void TFormMain::SetZoom(int percent) {
  const double zoom = std::clamp(percent, kMinZoom, kMaxZoom) / 100.0;
  if (zoom == zoom_) return;
  zoom_ = zoom;
  paintBitmap_->SetZoom(zoom_);
  paintBalloon_->SetZoom(zoom_);
  ApplyBalloonFont();
  UpdateLayout();
  // The petting window keeps the main window's height.
  nadenade_->MatchMainHeight(FrameRect().height());
  PlaceNadenade();
}

// ----- Pictures and sound -----------------------------------------------------------------------

void TFormMain::ResetPictures(bool useBuiltInBalloons) {
  pictures_.ResetPictures(useBuiltInBalloons);
}

void TFormMain::SetCharacterFolder(const std::string& folder) {
  pictures_.SetCharacterFolder(folder);
}

bool TFormMain::LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) {
  const bool loaded = pictures_.LoadPicture(slot, path, colourKey);
  UpdateLayout();
  return loaded;
}

void TFormMain::ShowDefaultPicture() {
  pictures_.ShowDefaultPicture();
}

void TFormMain::Repaint() {
  UpdateLayout();
  if (OnDesktop()) return;  // its layout shows the pictures too
  paintBitmap_->SetPicture(pictures_.Picture(TPictureSlot::Shown));
  const bool usersTurn = controller_ != nullptr && controller_->State() == stUserInput;
  paintBalloon_->SetPicture(
      pictures_.Picture(usersTurn ? TPictureSlot::BalloonUser : TPictureSlot::BalloonCharacter));
}

int TFormMain::Zoomed(int pixels) const {
  return static_cast<int>(std::lround(pixels * zoom_));
}

void TFormMain::UpdateLayout() {
  if (OnDesktop()) {
    LayOutOnDesktop();
    return;
  }
  const QImage& picture = pictures_.Picture(TPictureSlot::Shown);
  const int boxWidth =
      std::clamp(Zoomed(picture.width()), Zoomed(kPictureMinWidth), kPictureMaxExtent);
  const int boxHeight =
      std::clamp(Zoomed(picture.height()), Zoomed(kPictureMinHeight), kPictureMaxExtent);
  paintBitmap_->setGeometry(0, 0, boxWidth, boxHeight);
  paintBalloon_->setGeometry(boxWidth, 0, Zoomed(kBalloonWidth), Zoomed(kBalloonHeight));
  richBalloon_->setGeometry(boxWidth + Zoomed(kBalloonEditLeft), Zoomed(kBalloonEditTop),
                            Zoomed(kBalloonEditWidth), Zoomed(kBalloonEditHeight));
  setFixedSize(boxWidth + Zoomed(kBalloonWidth), boxHeight);
}

void TFormMain::PlaySound(const std::string& path, bool wait) {
  sound_.Play(FromUtf8(path), wait);
}

// ----- The window -------------------------------------------------------------------------------

QWidget* TFormMain::DialogParent() {
  return Stage().isVisible() ? &Stage() : nullptr;
}

void TFormMain::ShowMessage(const std::string& text) {
  if (messagesSuppressed_) return;
  ShowMessageBox(DialogParent(), text);
}

bool TFormMain::IsVisible() const {
  const QWidget& stage = Stage();
  return stage.isVisible() && !stage.isMinimized() && !pendingMinimise_;
}

void TFormMain::ShowWindow() {
  pendingMinimise_ = false;
  QWidget& stage = Stage();
  if (stage.isMinimized()) {
    stage.showNormal();
  } else {
    stage.show();
  }
}

void TFormMain::SetVisible(bool visible) {
  pendingMinimise_ = false;
  // Before any character is loaded (a start whose character fails) there is nothing to show or
  // to come back to.
  const bool conversing = controller_ != nullptr && controller_->Character() != nullptr;
  if (visible) {
    if (conversing) ShowWindow();
    return;
  }
  nadenade_->hide();
  RememberPlace();
  if (!trayAvailable_ && conversing && Stage().isVisible() && !Stage().isMinimized()) {
    // Minimised, not hidden (a window minimised from hidden stays off the task bar), once the
    // event loop sees the request stand: a load that follows at once hides it instead.
    pendingMinimise_ = true;
    QTimer::singleShot(0, this, &TFormMain::MinimiseUnlessLoading);
    return;
  }
  Stage().hide();
}

void TFormMain::MinimiseUnlessLoading() {
  if (!pendingMinimise_) return;
  pendingMinimise_ = false;
  Stage().showMinimized();
}

void TFormMain::ShowAndActivate() {
  ShowWindow();
  Stage().raise();
  Stage().activateWindow();
  if (OnDesktop()) FocusBalloon();
}

void TFormMain::PlaceWindow(TWindowPosition position) {
  QScreen* primary = QGuiApplication::primaryScreen();
  const QRect desktop = primary->virtualGeometry();
  const QRect available = primary->availableGeometry();
  QWidget& stage = Stage();
  const int width = stage.width();
  const int height = stage.height();
  QPoint place(PlaceOnAxis(position.Left, desktop.left(), desktop.right(), available.left(),
                           available.width(), width),
               PlaceOnAxis(position.Top, desktop.top(), desktop.bottom(), available.top(),
                           available.height(), height));
  // Between screens of different sizes a place can be on the desktop's bounds but on no screen.
  if (QGuiApplication::screenAt(place) == nullptr) {
    place = available.center() - QPoint(width / 2, height / 2);
  }
  stage.setGeometry(QRect(place, stage.size()));
  lastPlace_ = place;
}

std::optional<TWindowPosition> TFormMain::WindowPosition() const {
  const QPoint place = CurrentPlace().value_or(lastPlace_.value_or(Stage().geometry().topLeft()));
  return TWindowPosition{place.y(), place.x()};
}

std::optional<QPoint> TFormMain::CurrentPlace() const {
  // Only a window on the screen has a place the window system vouches for: while it is mapped
  // or withdrawn, the window manager moves it about.
  const QWidget& stage = Stage();
  if (!stage.isVisible() || stage.isMinimized() || !stage.windowHandle()->isExposed()) {
    return std::nullopt;
  }
  if (OnX11()) return X11ClientPosition(stage);
  return stage.geometry().topLeft();
}

void TFormMain::RememberPlace() {
  if (const std::optional<QPoint> place = CurrentPlace()) lastPlace_ = place;
}

QRect TFormMain::FrameRect() const {
  if (OnDesktop()) return DesktopFrameRect();
  if (CurrentPlace()) {
    if (const std::optional<QRect> frame = X11FrameGeometry(*this)) return *frame;
  }
  return frameGeometry();
}

void TFormMain::SetCaption(const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  setWindowTitle(text);
  if (OnDesktop()) {
    desktopCharacter_->setWindowTitle(text);
    desktopBalloon_->setWindowTitle(text);
  }
  // The application's title (message boxes take theirs from it) follows the caption.
  QCoreApplication::setApplicationName(text);
}

void TFormMain::SetSplashText(const std::string& text) {
  if (pendingMinimise_) {
    // The load hides the window, and shows it again when done.
    pendingMinimise_ = false;
    Stage().hide();
  }
  if (splash_ == nullptr) splash_ = std::make_unique<TFormSplash>();
  splash_->SetStatus(FromUtf8(text));
}

void TFormMain::CloseSplash() {
  splash_.reset();
}

void TFormMain::Close() {
  RememberPlace();
  closed_ = true;
  timer_.stop();
  splash_.reset();
  if (nadenade_ != nullptr) nadenade_->hide();
  if (trayIcon_ != nullptr) trayIcon_->hide();
  Stage().hide();
  emit ConversationClosed();
}

void TFormMain::RequestCloseWithoutMessages() {
  messagesSuppressed_ = true;
  Guarded([&] { controller_->RequestClose(); });
}

// ----- Window events ----------------------------------------------------------------------------

void TFormMain::closeEvent(QCloseEvent* event) {
  if (closed_ || controller_ == nullptr) {
    event->accept();
    return;
  }
  // The controller decides: the closing talk, then its Close ends the program.
  event->ignore();
  Guarded([&] { controller_->RequestClose(); });
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  ShowPopupMenu(event->globalPos());
}

void TFormMain::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  RememberPlace();
  PlaceNadenade();
}

void TFormMain::showEvent(QShowEvent* event) {
  // With a tray the icon stands in for the task-bar button.
  if (trayAvailable_ && !event->spontaneous()) KeepOffTaskbar(*this);
  QWidget::showEvent(event);
  UpdateChangeStateCaption();
}

void TFormMain::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // The petting window goes with the main window (hidden or minimised), and does not come back
  // with it.
  nadenade_->hide();
  UpdateChangeStateCaption();
}

void TFormMain::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) UpdateChangeStateCaption();
}

}  // namespace kelmo
