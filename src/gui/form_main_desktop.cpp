// The main window's desktop mode: the character stands on the desktop in a frameless window of its
// own (desktop_character.h), its balloon in another beside it, and the main window is hidden. The
// mode is the window's way of showing only: switching hands the picture box, the balloon picture
// and the balloon edit, as they are, from one set of windows to the other, so the controller,
// the text being typed and the timer never notice.
//
// The shown pictures are the pictures set's decoded ones made see-through (see_through.h); the
// character window is cut to its picture, the balloon window to its balloon, each shape made once
// per picture. Where neither a compositor nor the shape extension can show the desktop around the
// character, or the window system does not let a program place its windows (Wayland: the balloon
// could not stand beside the character), the window stays as it is and the user is told once.
#include <QAction>
#include <QGuiApplication>
#include <QScreen>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "gui/balloon_edit.h"
#include "gui/balloon_placement.h"
#include "gui/desktop_character.h"
#include "gui/form_main.h"
#include "gui/form_nadenade.h"
#include "gui/frame_pacer.h"
#include "gui/picture_box.h"
#include "gui/x11_window.h"
#include "pictures/built_in_balloons.h"
#include "shell/chat_controller.h"
#include "shell/chat_log.h"

namespace kelmo {
namespace {

constexpr const char* kDesktopUnavailableMessage =
    "この画面ではキャラクターをデスクトップに立たせることができません"
    "（ウィンドウを透かすことも、形に切り抜くこともできません）。ウィンドウで表示します。";

// How the window system can show the character without its background.
struct TDesktopSupport {
  bool Possible = false;
  bool Translucent = false;  // per-pixel translucency; otherwise shaped windows
};

TDesktopSupport DesktopSupport() {
  if (QGuiApplication::platformName() == "offscreen") return {true, true};
  if (const std::optional<TX11SeeThrough> x11 = X11SeeThrough()) {
    return {x11->Compositor || x11->Shape, x11->Compositor};
  }
  return {};
}

}  // namespace

TDesktopCharacter* TFormMain::DesktopCharacter() const {
  return desktopCharacter_.get();
}

QWidget& TFormMain::Stage() {
  return OnDesktop() ? static_cast<QWidget&>(*desktopCharacter_) : *this;
}

const QWidget& TFormMain::Stage() const {
  return OnDesktop() ? static_cast<const QWidget&>(*desktopCharacter_) : *this;
}

void TFormMain::SetDesktopMode(bool desktop) {
  if (desktop != OnDesktop()) {
    if (desktop) {
      EnterDesktop();
    } else {
      LeaveDesktop();
    }
  }
  menuDesktopMode_->setChecked(OnDesktop());
}

std::optional<bool> TFormMain::DesktopMode() const {
  return OnDesktop();
}

void TFormMain::MenuDesktopModeClick() {
  SetDesktopMode(!OnDesktop());
}

void TFormMain::EnterDesktop() {
  const TDesktopSupport support = DesktopSupport();
  if (!support.Possible) {
    ReportDesktopUnavailable();
    return;
  }
  const bool shown = isVisible();
  const bool minimised = isMinimized();
  RememberPlace();
  const QPoint place = lastPlace_.value_or(geometry().topLeft());

  desktopCharacter_ = std::make_unique<TDesktopCharacter>(support.Translucent, trayAvailable_);
  desktopBalloon_ = new TDesktopWindow("DesktopBalloon", Qt::Tool, support.Translucent, true,
                                       desktopCharacter_.get());
  new TFramePacer(*desktopBalloon_);
  for (TDesktopWindow* window : {static_cast<TDesktopWindow*>(desktopCharacter_.get()),
                                 desktopBalloon_}) {
    window->setWindowTitle(windowTitle());
    window->setWindowIcon(windowIcon());
    window->setWindowFlag(Qt::WindowStaysOnTopHint, menuStayOnTop_->isChecked());
    // The menu's shortcuts work in both windows.
    window->addActions(actions());
    // Packages dropped on either window install as on the main window.
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    connect(window, &TDesktopWindow::MenuRequested, this, &TFormMain::ShowPopupMenu);
    connect(window, &TDesktopWindow::CloseRequested, this, &TFormMain::close);
  }
  connect(desktopCharacter_.get(), &TDesktopWindow::Moved, this, &TFormMain::CharacterMoved);
  connect(desktopCharacter_.get(), &TDesktopWindow::ShownOrHidden, this,
          &TFormMain::CharacterShownOrHidden);
  connect(desktopCharacter_.get(), &TDesktopWindow::WindowStateChanged, this,
          &TFormMain::CharacterShownOrHidden);
  connect(desktopCharacter_.get(), &TDesktopCharacter::Clicked, this, &TFormMain::FocusBalloon);
  // Window managers give a newly mapped or clicked window the focus; the keyboard belongs to the
  // balloon.
  connect(desktopCharacter_.get(), &TDesktopWindow::Activated, this, &TFormMain::FocusBalloon);

  // The same widgets, text and caret included.
  HandOver(desktopCharacter_.get(), desktopBalloon_);
  desktopBalloon_->setFocusProxy(richBalloon_);

  hide();
  UpdateLayout();
  desktopCharacter_->move(place);
  lastPlace_ = place;
  if (shown) {
    if (minimised) {
      desktopCharacter_->showMinimized();
    } else {
      desktopCharacter_->show();
      FocusBalloon();
    }
  }
}

void TFormMain::LeaveDesktop() {
  RememberPlace();
  const bool shown = desktopCharacter_->isVisible();
  const bool minimised = desktopCharacter_->isMinimized();
  desktopCharacter_->disconnect(this);
  desktopBalloon_->disconnect(this);
  desktopCharacter_->hide();
  nadenade_->hide();

  HandOver(this, this);
  desktopCharacter_.reset();  // the balloon's window with it
  desktopBalloon_ = nullptr;
  balloonOnLeft_ = false;

  Repaint();
  if (lastPlace_) move(*lastPlace_);
  if (shown) {
    if (minimised) {
      showMinimized();
    } else {
      show();
      activateWindow();
    }
  }
}

void TFormMain::HandOver(QWidget* character, QWidget* balloon) {
  paintBitmap_->setParent(character);
  paintBalloon_->setParent(balloon);
  richBalloon_->setParent(balloon);  // after its picture: it lies above it
  paintBitmap_->show();
  paintBalloon_->show();
  richBalloon_->show();
}

void TFormMain::LayOutOnDesktop() {
  // Copies: the cache's references last until its next call.
  const QImage character = seeThrough_.Picture(pictures_.DecodedPicture(TPictureSlot::Shown),
                                               pictures_.IsColourKeyed(TPictureSlot::Shown), false);
  const QSize box(std::clamp(Zoomed(character.width()), 1, kPictureMaxExtent),
                  std::clamp(Zoomed(character.height()), 1, kPictureMaxExtent));
  paintBitmap_->setGeometry(QRect(QPoint(0, 0), box));
  paintBitmap_->SetPicture(character);
  desktopCharacter_->setFixedSize(box);
  const bool reshaped = desktopCharacter_->SetShape(
      character.isNull() ? QRegion() : seeThrough_.Shape(character, box, ShapeAlpha()));

  const QSize balloon(Zoomed(kBalloonWidth), Zoomed(kBalloonHeight));
  paintBalloon_->setGeometry(QRect(QPoint(0, 0), balloon));
  richBalloon_->setGeometry(Zoomed(kBalloonEditLeft), Zoomed(kBalloonEditTop),
                            Zoomed(kBalloonEditWidth), Zoomed(kBalloonEditHeight));
  desktopBalloon_->setFixedSize(balloon);
  FollowCharacter();
  ShowBalloonPictureOnDesktop();
  // A new shape and its picture reach the screen together.
  if (reshaped && desktopCharacter_->isVisible()) desktopCharacter_->repaint();
}

int TFormMain::ShapeAlpha() const {
  return desktopCharacter_->Translucent() ? kBlendedShapeAlpha : kOpaqueShapeAlpha;
}

void TFormMain::ShowBalloonPictureOnDesktop() {
  const bool usersTurn = controller_ != nullptr && controller_->State() == stUserInput;
  const TPictureSlot slot = usersTurn ? TPictureSlot::BalloonUser : TPictureSlot::BalloonCharacter;
  // Left of the character the balloon is mirrored, its tail pointing right; the edit lies in the
  // middle of it either way.
  const QImage balloon = seeThrough_.Picture(pictures_.DecodedPicture(slot),
                                             pictures_.IsColourKeyed(slot), balloonOnLeft_);
  paintBalloon_->SetPicture(balloon);
  // Without a balloon picture the window shows as a plain rectangle, so the text stays readable.
  desktopBalloon_->SetShape(
      balloon.isNull()
          ? QRegion()
          : seeThrough_.Shape(balloon, paintBalloon_->size(), ShapeAlpha()) +
                QRegion(richBalloon_->geometry()));
}

void TFormMain::FollowCharacter() {
  const QRect available = desktopCharacter_->screen()->availableGeometry();
  const TBalloonPlacement placement =
      PlaceBalloon(desktopCharacter_->geometry(), desktopBalloon_->size(), available);
  desktopBalloon_->move(placement.Rect.topLeft());
  // Where no side has room the balloon lies over the character, its text in front.
  if (placement.Rect.intersects(desktopCharacter_->geometry())) desktopBalloon_->raise();
  if (placement.OnLeft == balloonOnLeft_) return;
  balloonOnLeft_ = placement.OnLeft;
  ShowBalloonPictureOnDesktop();
}

void TFormMain::CharacterMoved() {
  FollowCharacter();
  RememberPlace();
  PlaceNadenade();
}

void TFormMain::CharacterShownOrHidden() {
  if (IsVisible()) {
    FollowCharacter();
    desktopBalloon_->show();
  } else {
    desktopBalloon_->hide();
    nadenade_->hide();
  }
  UpdateChangeStateCaption();
}

void TFormMain::FocusBalloon() {
  desktopBalloon_->raise();
  desktopBalloon_->activateWindow();
  richBalloon_->setFocus(Qt::MouseFocusReason);
}

QRect TFormMain::DesktopFrameRect() const {
  return desktopCharacter_->geometry().united(desktopBalloon_->geometry());
}

void TFormMain::ReportDesktopUnavailable() {
  if (desktopRefusalReported_) return;
  desktopRefusalReported_ = true;
  if (controller_ != nullptr) {
    TChatLog(controller_->AppDir(), "")
        .WriteErrorLog(Utf8ToShiftJis(kDesktopUnavailableMessage), NowLocal());
  }
  ShowMessage(kDesktopUnavailableMessage);
}

}  // namespace kelmo
