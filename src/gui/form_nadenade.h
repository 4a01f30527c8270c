// The petting window ("なでなでめにゅー"): a small tool window beside the main window listing the
// character's petting actions. Choosing one (double-click, or Enter on the list) asks the main
// window to send it; whether it is sent, and what, is the controller's business.
//
// Its popup menu brings the focus back to the main window (Ctrl+N) or hides the window (Ctrl+H);
// both shortcuts work while the window is active, without opening the menu.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QAction;
class QListWidget;
class QMenu;
class QRect;

namespace kelmo {

class TFormNadenade : public QWidget {
  Q_OBJECT

 public:
  // A hidden tool window owned by parent (the main window).
  explicit TFormNadenade(QWidget* parent);

  // Replaces the list with labels (UTF-8), in order; item i stands for action i.
  void SetLabels(const std::vector<std::string>& labels);

  // Puts the window against the right edge of the main window's frame: its top at the frame's
  // top, its left at the frame's left plus the frame's width.
  void PlaceBesideMain(const QRect& mainFrame);

  // Makes the window's outer height height, its own frame included. The desktop tells the frame
  // only once the window is shown, so the height is fitted again whenever the frame changes.
  void MatchMainHeight(int height);

 signals:
  // The user chose item index (double-click or Enter with the item selected).
  void ActionChosen(int index);
  // The menu's "メインウィンドウにフォーカスを戻す(&N)" was chosen.
  void ReturnFocusRequested();

 protected:
  // Enter on the list chooses the selected item.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Showing and moving may reveal a new frame, which the wanted height includes.
  bool event(QEvent* event) override;

 private slots:
  void ListNadenadeDblClick();
  void MenuReturnForcusClick();
  void MenuHideClick();

 private:
  void ListNadenadeKeyPress(int key);
  void ChooseSelected();
  void FitWantedHeight();

  int wantedHeight_ = 0;  // outer height asked by MatchMainHeight; 0 before
  int fittedFrame_ = -1;  // frame height the window was last fitted with
  QListWidget* listNadenade_;
  QMenu* popupMenu_;
  QAction* menuReturnForcus_;
  QAction* menuHide_;
};

}  // namespace kelmo
