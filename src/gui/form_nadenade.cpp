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

  ListNadenade = new QListWidget(this);
  ListNadenade->setObjectName("ListNadenade");
  ListNadenade->setSelectionMode(QAbstractItemView::SingleSelection);
  ListNadenade->setContextMenuPolicy(Qt::CustomContextMenu);
  ListNadenade->installEventFilter(this);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  MenuReturnForcus = PopupMenu->addAction("メインウィンドウにフォーカスを戻す(&N)");
  MenuReturnForcus->setObjectName("MenuReturnForcus");
  MenuReturnForcus->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  PopupMenu->addSeparator();
  MenuHide = PopupMenu->addAction("隠す(&H)");
  MenuHide->setObjectName("MenuHide");
  MenuHide->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  // Added to the window as well, so that their shortcuts work while the menu is closed.
  addAction(MenuReturnForcus);
  addAction(MenuHide);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ListNadenade);

  connect(ListNadenade, &QListWidget::itemDoubleClicked, this,
          &TFormNadenade::ListNadenadeDblClick);
  connect(ListNadenade, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    PopupMenu->popup(ListNadenade->mapToGlobal(position));
  });
  connect(MenuReturnForcus, &QAction::triggered, this, &TFormNadenade::MenuReturnForcusClick);
  connect(MenuHide, &QAction::triggered, this, &TFormNadenade::MenuHideClick);

  resize(kDesignWidth, kDesignHeight);
}

void TFormNadenade::SetLabels(const std::vector<std::string>& labels) {
  ListNadenade->clear();
  for (const std::string& label : labels) ListNadenade->addItem(QString::fromStdString(label));
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
  if (watched == ListNadenade && event->type() == QEvent::KeyPress) {
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
  const QList<QListWidgetItem*> selected = ListNadenade->selectedItems();
  if (selected.size() != 1) return;
  emit ActionChosen(ListNadenade->row(selected.front()));
}

void TFormNadenade::MenuReturnForcusClick() {
  emit ReturnFocusRequested();
}

void TFormNadenade::MenuHideClick() {
  hide();
}

}  // namespace kelmo
