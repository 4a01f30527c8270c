// The character selection dialog over its model.
#include "gui/form_select.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/message_box.h"
#include "shell/character_selection.h"

namespace kelmo {
namespace {

// Design size of the client area.
constexpr int kClientWidth = 329;
constexpr int kClientHeight = 181;
// The reference button's width (the others take their natural size).
constexpr int kButtonRefWidth = 75;
// The column of the row's name.
constexpr int kNameColumn = 0;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A file-dialog filter written as "name|pattern;pattern|name|..." in Qt's form
// "name (pattern pattern);;...", so that each name still shows as written.
QString QtFileFilter(std::string_view filter) {
  const QStringList parts = FromUtf8(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters.append(parts[i] + " (" + parts[i + 1].split(u';').join(u' ') + ")");
  }
  return filters.join(";;");
}

}  // namespace

TFormSelect::TFormSelect(TCharacterSelection& selection, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      selection_(selection) {
  setObjectName("FormSelect");
  setWindowTitle("人格の選択");

  ListViewChar = new QTreeWidget(this);
  ListViewChar->setObjectName("ListViewChar");
  ListViewChar->setHeaderLabels({"人格名", "パス"});
  ListViewChar->setRootIsDecorated(false);
  ListViewChar->setUniformRowHeights(true);
  ListViewChar->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewChar->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewChar->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewChar->header()->setSectionsClickable(false);
  ListViewChar->header()->setSectionResizeMode(kNameColumn, QHeaderView::ResizeToContents);
  ListViewChar->header()->setStretchLastSection(true);
  // The chosen row stays marked while a button has the focus.
  QPalette palette = ListViewChar->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  ListViewChar->setPalette(palette);
  ListViewChar->installEventFilter(this);

  ButtonRef = new QPushButton("参照(&R)...", this);
  ButtonRef->setObjectName("ButtonRef");
  ButtonRef->setMinimumWidth(kButtonRefWidth);
  ButtonRef->setAutoDefault(false);
  ButtonOK = new QPushButton("&OK", this);
  ButtonOK->setObjectName("ButtonOK");
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton("&Cancel", this);
  ButtonCancel->setObjectName("ButtonCancel");
  ButtonCancel->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonRef);
  buttons->addStretch();
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 4);
  layout->addWidget(ListViewChar, 1);
  buttons->setContentsMargins(8, 0, 8, 0);
  layout->addLayout(buttons);

  connect(ButtonRef, &QPushButton::clicked, this, &TFormSelect::ButtonRefClick);
  connect(ButtonOK, &QPushButton::clicked, this, &TFormSelect::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormSelect::ButtonCancelClick);

  for (int i = 0; i < static_cast<int>(selection_.Rows().size()); ++i) AddRowItem(i);
  resize(kClientWidth, kClientHeight);
}

void TFormSelect::reject() {
  selection_.Cancel();
  QDialog::reject();
}

QString TFormSelect::ChooseCharacterFile(const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(this, title, QString(), filter);
}

bool TFormSelect::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListViewChar && event->type() == QEvent::KeyRelease) {
    ListViewCharKeyUp(static_cast<QKeyEvent*>(event)->key());
  }
  return QDialog::eventFilter(watched, event);
}

void TFormSelect::ButtonRefClick() {
  const QString path =
      ChooseCharacterFile(FromUtf8(kSelectFileTitle), QtFileFilter(kSelectFileFilter));
  if (path.isEmpty()) return;
  const std::string message = selection_.AddFile(QFile::encodeName(path).toStdString());
  if (!message.empty()) {
    ShowMessageBox(this, message);
    return;
  }
  AddRowItem(static_cast<int>(selection_.Rows().size()) - 1);
}

void TFormSelect::ButtonOKClick() {
  const std::string message = selection_.Confirm(SelectedRow());
  if (!message.empty()) {
    ShowMessageBox(this, message);
    return;
  }
  accept();
}

void TFormSelect::ButtonCancelClick() {
  reject();
}

void TFormSelect::ListViewCharKeyUp(int key) {
  if (key != Qt::Key_Delete) return;
  const int row = SelectedRow();
  if (row < 0) return;
  selection_.DeleteRow(row);
  delete ListViewChar->takeTopLevelItem(row);
}

void TFormSelect::AddRowItem(int index) {
  const TCharacterRow& row = selection_.Rows()[static_cast<size_t>(index)];
  ListViewChar->addTopLevelItem(new QTreeWidgetItem({FromUtf8(row.Name), FromUtf8(row.Path)}));
}

int TFormSelect::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = ListViewChar->selectedItems();
  if (selected.size() != 1) return -1;
  return ListViewChar->indexOfTopLevelItem(selected.front());
}

}  // namespace kelmo
