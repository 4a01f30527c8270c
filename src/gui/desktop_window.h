// A window of the character on the desktop (`TDesktopWindow`): no frame and no background of its
// own, so that only what its children paint shows. Where a compositor blends windows it is
// per-pixel translucent; elsewhere it paints the window colour under its children and is cut to
// the shape its owner gives it (an X shape), so that the desktop shows, and takes the clicks,
// around the figure. The shape is the native window's alone: a widget mask would clip every
// paint to hundreds of rectangles and flush each on its own. The balloon's window is one; the character's (desktop_character.h) adds
// dragging.
//
// It decides nothing itself: a right-click and a close request (a window manager's close key) go
// to its owner as signals, as do its showing, hiding, moving, minimising and activation.
#pragma once

#include <QWidget>

namespace kelmo {

class TDesktopWindow : public QWidget {
  Q_OBJECT

 public:
  // flags: the window's kind (Qt::Window or Qt::Tool), to which no frame is added; translucent:
  // per-pixel translucency (only where a compositor runs); offTaskbar: no task-bar button.
  TDesktopWindow(const QString& objectName, Qt::WindowFlags flags, bool translucent,
                 bool offTaskbar, QWidget* parent = nullptr);

  // The part of the window that shows and takes clicks (empty: all of it). Returns whether it
  // changed.
  bool SetShape(const QRegion& shape);

  // The shape given last.
  QRegion Shape() const;

  bool Translucent() const { return translucent_; }

 signals:
  void MenuRequested(const QPoint& globalPosition);
  void CloseRequested();
  void Moved();
  void ShownOrHidden();
  void WindowStateChanged();
  // The window system made this window the active one.
  void Activated();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool translucent_;
  bool offTaskbar_;
};

}  // namespace kelmo
