// The main window's other half: the popup menu (`PopupMenu`), the tray icon, stay on top, hiding
// and restoring, the petting window and the three dialogs. Every menu item hands its action to the
// controller, which suspends the conversation around the dialogs; what is left here is where
// windows go.
#include <QAction>
#include <QCursor>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMenu>
#include <QUrl>

#include "gui/desktop_window.h"
#include "gui/form_about.h"
#include "gui/form_config.h"
#include "gui/form_main.h"
#include "gui/form_nadenade.h"
#include "gui/form_select.h"
#include "gui/program_icon.h"
#include "gui/x11_window.h"
#include "gui/window_exposure.h"
#include "shell/about_texts.h"
#include "shell/chat_controller.h"

namespace kelmo {
namespace {

// The tray icon's tip until a character is loaded.
constexpr const char* kInitialTrayTip = "DorrinKelmo";
// The captions of the hide item while the window is shown and while it is hidden.
constexpr const char* kHideCaption = "隠す(&S)";
constexpr const char* kRestoreCaption = "戻す(&S)";

// Shows or hides the window flag that keeps a window above others, keeping a shown window shown
// (changing a window's flags takes it off the screen).
void SetStaysOnTop(QWidget& window, bool stayOnTop) {
  if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == stayOnTop) return;
  const bool shown = window.isVisible();
  window.setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop);
  if (shown) window.show();
}

}  // namespace

void TFormMain::CreatePopupMenu() {
  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName("PopupMenu");
  const auto addItem = [&](const char* name, const char* caption, void (TFormMain::*handler)()) {
    QAction* action = popupMenu_->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    // Shortcuts work while the window is active, without opening the menu.
    addAction(action);
    return action;
  };
  menuShowNadenade_ = addItem("MenuShowNadenade", "なでなでメニューを表示(&N)",
                              &TFormMain::MenuShowNadenadeClick);
  menuShowNadenade_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  menuStayOnTop_ = addItem("MenuStayOnTop", "常に前面に表示(&T)", &TFormMain::MenuStayOnTopClick);
  menuStayOnTop_->setCheckable(true);
  menuDesktopMode_ = addItem("MenuDesktopMode", "デスクトップに立たせる(&D)",
                             &TFormMain::MenuDesktopModeClick);
  menuDesktopMode_->setCheckable(true);
  menuChangeState_ = addItem("MenuChangeState", kHideCaption, &TFormMain::MenuChangeStateClick);
  menuConfigure_ = addItem("MenuConfigure", "設定(&P)...", &TFormMain::MenuConfigureClick);
  menuChangeCharacter_ = addItem("MenuChangeCharacter", "人格の切り替え(&C)...",
                                 &TFormMain::MenuChangeCharacterClick);
  popupMenu_->addSeparator();
  menuWWW_ = addItem("MenuWWW", "Go to Dorrin-kun Project Homepage(&W)", &TFormMain::MenuWWWClick);
  menuAbout_ = addItem("MenuAbout", "DorrinKelmo について(&A)...", &TFormMain::MenuAboutClick);
  popupMenu_->addSeparator();
  menuQuit_ = addItem("MenuQuit", "終了(&Q)", &TFormMain::MenuQuitClick);
  menuQuit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void TFormMain::CreateTrayIcon() {
  if (!trayAvailable_) return;
  trayIcon_ = new QSystemTrayIcon(ProgramWindowIcon(), this);
  trayIcon_->setObjectName("TrayIcon");
  trayIcon_->setToolTip(kInitialTrayTip);
  connect(trayIcon_, &QSystemTrayIcon::activated, this, &TFormMain::TrayIconActivated);
  trayIcon_->show();
}

void TFormMain::CreateNadenade() {
  nadenade_ = new TFormNadenade(this);
  connect(nadenade_, &TFormNadenade::ActionChosen, this, &TFormMain::NadenadeActionChosen);
  connect(nadenade_, &TFormNadenade::ReturnFocusRequested, this, &TFormMain::ShowAndActivate);
}

void TFormMain::PlaceNadenade() {
  if (nadenade_ != nullptr) nadenade_->PlaceBesideMain(FrameRect());
}

void TFormMain::UpdateChangeStateCaption() {
  menuChangeState_->setText(IsVisible() ? kHideCaption : kRestoreCaption);
}

bool TFormMain::MenuMayOpen() const {
  return controller_ != nullptr && controller_->MenuMayOpen();
}

void TFormMain::ShowPopupMenu(const QPoint& globalPosition) {
  if (!MenuMayOpen()) return;
  UpdateChangeStateCaption();
  popupMenu_->popup(globalPosition);
}

void TFormMain::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::DoubleClick) {
    if (!IsVisible()) ShowAndActivate();
    return;
  }
  if (reason != QSystemTrayIcon::Context || !MenuMayOpen()) return;
  Stage().activateWindow();
  ShowPopupMenu(QCursor::pos());
}

// ----- The menu's items -------------------------------------------------------------------------

void TFormMain::MenuShowNadenadeClick() {
  if (!nadenade_->isVisible()) {
    // A tool window of the main window: no task-bar button of its own.
    KeepOffTaskbar(*nadenade_);
    // Its frame is known, and so its outer height and place can be right, only once it is shown.
    ShowExposed(*nadenade_);
  }
  if (nadenadeHeightPending_) nadenade_->MatchMainHeight(FrameRect().height());
  nadenadeHeightPending_ = false;
  PlaceNadenade();
  nadenade_->raise();
}

void TFormMain::MenuStayOnTopClick() {
  Guarded([&] { controller_->MenuStayOnTopClick(); });
}

void TFormMain::MenuChangeStateClick() {
  Guarded([&] { controller_->MenuChangeStateClick(); });
}

void TFormMain::MenuConfigureClick() {
  Guarded([&] { controller_->MenuConfigureClick(); });
}

void TFormMain::MenuChangeCharacterClick() {
  Guarded([&] { controller_->MenuChangeCharacterClick(); });
}

void TFormMain::MenuWWWClick() {
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(kHomePageUrl)));
}

void TFormMain::MenuAboutClick() {
  Guarded([&] { controller_->MenuAboutClick(); });
}

void TFormMain::MenuQuitClick() {
  close();  // the close request runs the closing talk (closeEvent)
}

void TFormMain::NadenadeActionChosen(int index) {
  Guarded([&] { controller_->NadenadeAction(index); });
}

// ----- View operations of the menu's windows ----------------------------------------------------

void TFormMain::SetStayOnTop(bool stayOnTop) {
  menuStayOnTop_->setChecked(stayOnTop);
  // Taking the main window off the screen to change its flags takes the petting window too.
  const bool nadenadeShown = nadenade_->isVisible();
  RememberPlace();
  SetStaysOnTop(Stage(), stayOnTop);
  if (desktopBalloon_ != nullptr) SetStaysOnTop(*desktopBalloon_, stayOnTop);
  SetStaysOnTop(*nadenade_, stayOnTop);
  if (nadenadeShown) nadenade_->show();
  if (!stayOnTop) return;
  if (nadenadeShown) nadenade_->raise();
  // Marking shows a hidden window; the settings applied at start-up and during a load do not.
  const bool loading = controller_ == nullptr || controller_->Loading();
  if (!IsVisible() && !loading) ShowAndActivate();
}

void TFormMain::SetTrayTip(const std::string& tip) {
  if (trayIcon_ != nullptr) trayIcon_->setToolTip(QString::fromStdString(tip));
}

void TFormMain::SetPettingMenu(const std::vector<std::string>& labels) {
  nadenade_->SetLabels(labels);
  nadenade_->MatchMainHeight(FrameRect().height());
  nadenadeHeightPending_ = true;
}

bool TFormMain::ShowCharacterSelection(TCharacterSelection& selection) {
  TFormSelect dialog(selection, DialogParent());
  return dialog.exec() == QDialog::Accepted;
}

bool TFormMain::ShowSettingsDialog(TConfigDialogData& data) {
  TFormConfig dialog(data, DialogParent());
  return dialog.exec() == QDialog::Accepted;
}

void TFormMain::ShowAboutDialog(const TAboutTexts& texts) {
  TFormAbout dialog(texts, DialogParent());
  dialog.exec();
}

}  // namespace kelmo
