// The petting window.
#include "gui/form_nadenade.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QRect>
#include <QVBoxLayout>
#include <algorithm>

namespace kelmo {
namespace {

// Outer size at creation; the height follows the main window after each character load.
constexpr int kDesignWidth = 133;
constexpr int kDesignHeight = 227;

}  // namespace

TFormNadenade::TFormNadenade(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("FormNadenade");
  setWindowTitle("なでなでめにゅー");

  listNadenade_ = new QListWidget(this);
  listNadenade_->setObjectName("ListNadenade");
  listNadenade_->setSelectionMode(QAbstractItemView::SingleSelection);
  listNadenade_->setContextMenuPolicy(Qt::CustomContextMenu);
  listNadenade_->installEventFilter(this);

  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName("PopupMenu");
  menuReturnForcus_ = popupMenu_->addAction("メインウィンドウにフォーカスを戻す(&N)");
  menuReturnForcus_->setObjectName("MenuReturnForcus");
  menuReturnForcus_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  popupMenu_->addSeparator();
  menuHide_ = popupMenu_->addAction("隠す(&H)");
  menuHide_->setObjectName("MenuHide");
  menuHide_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  // Added to the window as well, so that their shortcuts work while the menu is closed.
  addAction(menuReturnForcus_);
  addAction(menuHide_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(listNadenade_);

  connect(listNadenade_, &QListWidget::itemDoubleClicked, this,
          &TFormNadenade::ListNadenadeDblClick);
  connect(
      listNadenade_, &QWidget::customContextMenuRequested, this,
      [this](const QPoint& position) { popupMenu_->popup(listNadenade_->mapToGlobal(position)); });
  connect(menuReturnForcus_, &QAction::triggered, this, &TFormNadenade::MenuReturnForcusClick);
  connect(menuHide_, &QAction::triggered, this, &TFormNadenade::MenuHideClick);

  resize(kDesignWidth, kDesignHeight);
}

void TFormNadenade::SetLabels(const std::vector<std::string>& labels) {
  listNadenade_->clear();
  for (const std::string& label : labels) listNadenade_->addItem(QString::fromStdString(label));
}

void TFormNadenade::PlaceBesideMain(const QRect& mainFrame) {
  move(mainFrame.left() + mainFrame.width(), mainFrame.top());
}

void TFormNadenade::MatchMainHeight(int height) {
  wantedHeight_ = height;
  fittedFrame_ = -1;
  FitWantedHeight();
}

void TFormNadenade::FitWantedHeight() {
  const int frameHeight = frameGeometry().height() - geometry().height();
  if (wantedHeight_ <= 0 || frameHeight == fittedFrame_) return;
  fittedFrame_ = frameHeight;
  resize(width(), std::max(1, wantedHeight_ - frameHeight));
}

bool TFormNadenade::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::Show || event->type() == QEvent::Move) FitWantedHeight();
  return handled;
}

bool TFormNadenade::eventFilter(QObject* watched, QEvent* event) {
  if (watched == listNadenade_ && event->type() == QEvent::KeyPress) {
    ListNadenadeKeyPress(static_cast<QKeyEvent*>(event)->key());
  }
  return QWidget::eventFilter(watched, event);
}

void TFormNadenade::ListNadenadeDblClick() {
  ChooseSelected();
}

void TFormNadenade::ListNadenadeKeyPress(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) ChooseSelected();
}

void TFormNadenade::ChooseSelected() {
  const QList<QListWidgetItem*> selected = listNadenade_->selectedItems();
  if (selected.size() != 1) return;
  emit ActionChosen(listNadenade_->row(selected.front()));
}

void TFormNadenade::MenuReturnForcusClick() {
  emit ReturnFocusRequested();
}

void TFormNadenade::MenuHideClick() {
  hide();
}

}  // namespace kelmo
