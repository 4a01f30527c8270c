// The main window (`TFormMain`): the character's picture on the left, the balloon on the right. It
// is the chat controller's view on the desktop (TChatView) and hands the controller its two
// inputs, Enter in the balloon and the ticks of one timer; the conversation itself is the
// controller's. Its other half (form_main_menu.cpp) is the popup menu, the tray icon, the petting
// window and the dialogs.
//
// Layout, in client pixels: the picture box (`PaintBitmap`) at 0,0, as large as the shown picture
// but never smaller than 200 x 200; the balloon picture (`PaintBalloon`, 350 x 200) right of it;
// the balloon edit (`RichBalloon`, 270 x 160) 40 pixels right of the picture box and 20 from the
// top. The window is exactly as large as picture box and balloon together (so never smaller than
// 550 x 200), and the user cannot resize it. The background is the palette's button colour, which
// the pictures' colour key also turns into. The zoom setting scales every one of these measures,
// the pictures and the balloon's font together (at 200 % the window is never smaller than
// 1100 x 400); all of them are device-independent pixels, which the desktop's scale factor maps
// onto the screen.
//
// The timer (`Timer`) runs all the time at the controller's interval, read again after every tick
// because display commands change it. The controller decides what a tick may do: none enters a
// character load, though the splash window lets the window system's events and timers through.
//
// Painting: the window paints at most once per frame of its screen (frame_pacer.h), so a reply
// typed faster than the screen refreshes paints once per frame rather than once per letter.
//
// Placement: the stored place is that of the window's inside (its client area), which is what the
// window system reports reliably; a frame's place is known only while the window manager has it
// mapped, and was reported differently after each hide and show.
//
// The desktop mode (form_main_desktop.cpp) shows the same components without this window: the
// character in a frameless window of its own cut to its picture, the balloon in another beside
// it. The operations below then act on the character's window where they act on this one.
//
// Hiding: with a tray icon, hiding takes the window off the screen and the task bar (the icon
// brings it back). Without a tray (many Wayland desktops, Xvfb) the window keeps its task-bar
// button and a hide request minimises it instead, so the program can never become unreachable;
// only a character load hides it outright, for as long as the load runs.
#pragma once

#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/see_through.h"
#include "gui/sound_player.h"
#include "pictures/picture_set.h"
#include "shell/chat_view.h"

class QAction;
class QMenu;

namespace kelmo {

class TBalloonEdit;
class TChatController;
class TDesktopCharacter;
class TDesktopWindow;
class TFormNadenade;
class TFormSplash;
class TPictureBox;

// The layout's fixed measures, in pixels.
inline constexpr int kPictureMinWidth = 200;
inline constexpr int kPictureMinHeight = 200;
inline constexpr int kBalloonEditLeft = 40;  // from the picture box's right edge
inline constexpr int kBalloonEditTop = 20;
inline constexpr int kBalloonEditWidth = 270;
inline constexpr int kBalloonEditHeight = 160;
// The picture box never grows beyond this on either side (a larger picture is cut off), so that
// no picture makes a window the window system cannot map.
inline constexpr int kPictureMaxExtent = 8192;

// The caption before any character is loaded.
inline constexpr const char* kDesignCaption = "Kelmo";
// The balloon's font size is shown within these points (FONTBIG can grow it without end).
inline constexpr int kMinBalloonPointSize = 1;
inline constexpr int kMaxBalloonPointSize = 144;

class TFormMain : public QWidget, public TChatView {
  Q_OBJECT

 public:
  // A hidden window without a character. appDir is the program folder (file-system path), whose
  // "SPIs/" image decoders the pictures use; trayAvailable says whether the desktop offers a tray
  // (QSystemTrayIcon::isSystemTrayAvailable() in the program; tests choose).
  TFormMain(const std::string& appDir, bool trayAvailable, QWidget* parent = nullptr);
  ~TFormMain() override;

  // The controller this window shows; call once, before the controller starts. The controller
  // must stay alive while the window's event loop runs.
  void Attach(TChatController& controller);

  // Starts the typing timer at the controller's interval (after the controller's Start).
  void StartTimer();

  // A close request from outside the window (a termination signal): the closing talk runs, but
  // its words go to the conversation log only, because nobody may be there to dismiss a box.
  void RequestCloseWithoutMessages();

  // Whether the controller has closed the window (the front end then leaves its event loop).
  bool Closed() const { return closed_; }

  // The form's components, for the front end and the tests.
  TBalloonEdit* RichBalloon() const { return richBalloon_; }
  TPictureBox* PaintBitmap() const { return paintBitmap_; }
  TPictureBox* PaintBalloon() const { return paintBalloon_; }
  QMenu* PopupMenu() const { return popupMenu_; }
  QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
  TFormNadenade* Nadenade() const { return nadenade_; }
  const QTimer& Timer() const { return timer_; }
  // The splash window while a character loads, else null.
  TFormSplash* Splash() const { return splash_.get(); }
  // The character's and the balloon's windows while the character stands on the desktop, else
  // null.
  TDesktopCharacter* DesktopCharacter() const;
  TDesktopWindow* DesktopBalloon() const { return desktopBalloon_; }

  // --- TChatView ---------------------------------------------------------------------------------
  std::string BalloonText() const override;
  void SetBalloonText(const std::string& text) override;
  void AppendToLastLine(const std::string& text) override;
  void SetBalloonReadOnly(bool readOnly) override;
  void SetBalloonFont(const std::string& name, int pointSize) override;
  void SetZoom(int percent) override;
  void ResetPictures(bool useBuiltInBalloons) override;
  void SetCharacterFolder(const std::string& folder) override;
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) override;
  void ShowDefaultPicture() override;
  void Repaint() override;
  void PlaySound(const std::string& path, bool wait) override;
  void ShowMessage(const std::string& text) override;
  std::optional<bool> AskYesNo(const std::string& question) override;
  // False while hidden or minimised.
  bool IsVisible() const override;
  void SetVisible(bool visible) override;
  void ShowAndActivate() override;
  void SetStayOnTop(bool stayOnTop) override;
  void PlaceWindow(TWindowPosition position) override;
  std::optional<TWindowPosition> WindowPosition() const override;
  // Refused (once told in a message and the error log) where the desktop cannot show it.
  void SetDesktopMode(bool desktop) override;
  std::optional<bool> DesktopMode() const override;
  void SetCaption(const std::string& caption) override;
  void SetTrayTip(const std::string& tip) override;
  void SetSplashText(const std::string& text) override;
  void CloseSplash() override;
  void SetPettingMenu(const std::vector<std::string>& labels) override;
  bool ShowCharacterSelection(TCharacterSelection& selection) override;
  bool ShowSettingsDialog(TConfigDialogData& data) override;
  void ShowAboutDialog(const TAboutTexts& texts) override;
  void Close() override;

 signals:
  // The controller closed the window: the front end leaves its event loop.
  void ConversationClosed();

 public slots:
  // The tray icon's clicks: a double-click shows a hidden window; the context click opens the
  // popup menu at the cursor when the controller lets it open.
  void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  // form_main_packages.cpp: one file dropped on the window is installed as a character package;
  // the event filter does the same for the desktop mode's windows.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void RichBalloonKeyPress();
  void TimerTimer();
  void MenuShowNadenadeClick();
  void MenuStayOnTopClick();
  void MenuDesktopModeClick();
  void MenuChangeStateClick();
  void MenuConfigureClick();
  void MenuChangeCharacterClick();
  void MenuWWWClick();
  void MenuAboutClick();
  void MenuQuitClick();
  void NadenadeActionChosen(int index);

 private:
  // form_main_menu.cpp: the popup menu's items and the tray icon.
  void CreatePopupMenu();
  void CreateTrayIcon();
  void UpdateChangeStateCaption();
  // Whether the controller lets the popup menu open now; every way of opening it asks.
  bool MenuMayOpen() const;
  // Opens the popup menu at globalPosition when it may open.
  void ShowPopupMenu(const QPoint& globalPosition);
  void CreateNadenade();
  void PlaceNadenade();

  // Sizes the window after the shown picture and the zoom.
  void UpdateLayout();
  // A measure of the layout at the zoom.
  int Zoomed(int pixels) const;
  // Gives the balloon its font at the zoom.
  void ApplyBalloonFont();
  // Shows the window, restoring it when minimised.
  void ShowWindow();
  // Where the window's inside is while it is shown (as the window system says), else nothing.
  std::optional<QPoint> CurrentPlace() const;
  // Keeps the current place for the times the window is hidden or minimised.
  void RememberPlace();
  // The window's outer rectangle, frame included, for the petting window beside it.
  QRect FrameRect() const;
  // Minimises the window for a hide request (without a tray), unless a load took it over.
  void MinimiseUnlessLoading();
  // The parent for message boxes and dialogs: the window while it is shown.
  QWidget* DialogParent();
  // Runs a call into the controller (nothing before one is attached), reporting an error that
  // escapes it on standard error.
  void Guarded(const std::function<void()>& action);

  // form_main_desktop.cpp: the character on the desktop.
  bool OnDesktop() const { return desktopCharacter_ != nullptr; }
  // The window the character is shown in: the character's own on the desktop, else this one.
  QWidget& Stage();
  const QWidget& Stage() const;
  void EnterDesktop();
  void LeaveDesktop();
  // Gives the picture box to character, the balloon picture and edit to balloon.
  void HandOver(QWidget* character, QWidget* balloon);
  // Sizes, pictures and shapes of both desktop windows after the pictures and the zoom.
  void LayOutOnDesktop();
  void ShowBalloonPictureOnDesktop();
  // The least alpha of the windows' shapes.
  int ShapeAlpha() const;
  // Puts the balloon's window beside the character's.
  void FollowCharacter();
  void CharacterMoved();
  void CharacterShownOrHidden();
  // The keyboard to the balloon, as a click on the window gives it.
  void FocusBalloon();
  // Both desktop windows' rectangle, for the petting window beside them.
  QRect DesktopFrameRect() const;
  void ReportDesktopUnavailable();

  TChatController* controller_ = nullptr;
  TPictureSet pictures_;
  TPictureBox* paintBitmap_;
  TPictureBox* paintBalloon_;
  TBalloonEdit* richBalloon_;
  QTimer timer_;
  double zoom_ = 1.0;
  std::string balloonFontName_;  // as stored, which may not be installed
  int balloonPointSize_ = 0;     // as stored; 0 until the controller sets the font
  TSoundPlayer sound_;
  std::unique_ptr<TFormSplash> splash_;

  QMenu* popupMenu_ = nullptr;
  QAction* menuShowNadenade_ = nullptr;
  QAction* menuStayOnTop_ = nullptr;
  QAction* menuDesktopMode_ = nullptr;
  QAction* menuChangeState_ = nullptr;
  QAction* menuConfigure_ = nullptr;
  QAction* menuChangeCharacter_ = nullptr;
  QAction* menuWWW_ = nullptr;
  QAction* menuAbout_ = nullptr;
  QAction* menuQuit_ = nullptr;
  bool trayAvailable_;
  QSystemTrayIcon* trayIcon_ = nullptr;
  TFormNadenade* nadenade_ = nullptr;  // child window, created with the window
  bool nadenadeHeightPending_ = false;  // a load gave it a height; its first showing corrects it

  bool pendingMinimise_ = false;  // a hide request waits to become a minimise (no tray)
  std::optional<QPoint> lastPlace_;  // the inside's place when last shown or placed
  bool closed_ = false;
  bool messagesSuppressed_ = false;  // closing on a signal: no message boxes

  std::unique_ptr<TDesktopCharacter> desktopCharacter_;  // while on the desktop
  TDesktopWindow* desktopBalloon_ = nullptr;            // the character window's child
  TSeeThroughCache seeThrough_;
  bool balloonOnLeft_ = false;
  bool desktopRefusalReported_ = false;
};

}  // namespace kelmo
