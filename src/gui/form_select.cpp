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

#include "gui/busy_cursor.h"
#include "gui/message_box.h"
#include "gui/qt_text.h"
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

  listViewChar_ = new QTreeWidget(this);
  listViewChar_->setObjectName("ListViewChar");
  listViewChar_->setHeaderLabels({"人格名", "パス"});
  listViewChar_->setRootIsDecorated(false);
  listViewChar_->setUniformRowHeights(true);
  listViewChar_->setSelectionMode(QAbstractItemView::SingleSelection);
  listViewChar_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listViewChar_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listViewChar_->header()->setSectionsClickable(false);
  listViewChar_->header()->setSectionResizeMode(kNameColumn, QHeaderView::ResizeToContents);
  listViewChar_->header()->setStretchLastSection(true);
  // The chosen row stays marked while a button has the focus.
  QPalette palette = listViewChar_->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  listViewChar_->setPalette(palette);
  listViewChar_->installEventFilter(this);

  buttonRef_ = new QPushButton("参照(&R)...", this);
  buttonRef_->setObjectName("ButtonRef");
  buttonRef_->setMinimumWidth(kButtonRefWidth);
  buttonRef_->setAutoDefault(false);
  buttonAdd_ = new QPushButton("追加(&A)...", this);
  buttonAdd_->setObjectName("ButtonAdd");
  buttonAdd_->setAutoDefault(false);
  buttonAdd_->setEnabled(selection_.HandlesPackages());
  buttonDelete_ = new QPushButton("削除(&D)", this);
  buttonDelete_->setObjectName("ButtonDelete");
  buttonDelete_->setAutoDefault(false);
  buttonDelete_->setEnabled(false);
  buttonOK_ = new QPushButton("&OK", this);
  buttonOK_->setObjectName("ButtonOK");
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton("&Cancel", this);
  buttonCancel_->setObjectName("ButtonCancel");
  buttonCancel_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(buttonRef_);
  buttons->addWidget(buttonAdd_);
  buttons->addWidget(buttonDelete_);
  buttons->addStretch();
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 4);
  layout->addWidget(listViewChar_, 1);
  buttons->setContentsMargins(8, 0, 8, 0);
  layout->addLayout(buttons);

  connect(buttonRef_, &QPushButton::clicked, this, &TFormSelect::ButtonRefClick);
  connect(buttonAdd_, &QPushButton::clicked, this, &TFormSelect::ButtonAddClick);
  connect(buttonDelete_, &QPushButton::clicked, this, &TFormSelect::ButtonDeleteClick);
  connect(listViewChar_, &QTreeWidget::itemSelectionChanged, this,
          &TFormSelect::ListViewCharSelectionChanged);
  connect(buttonOK_, &QPushButton::clicked, this, &TFormSelect::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &TFormSelect::ButtonCancelClick);

  FillRows();
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
  if (watched == listViewChar_ && event->type() == QEvent::KeyRelease) {
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

void TFormSelect::ButtonAddClick() {
  const QString path =
      ChooseCharacterFile(FromUtf8(kSelectPackageTitle), QtFileFilter(kSelectPackageFilter));
  if (path.isEmpty()) return;
  bool chosen;
  {
    const TBusyCursor busy;
    chosen = selection_.AddPackage(QFile::encodeName(path).toStdString());
  }
  if (chosen) {
    accept();
    return;
  }
  FillRows();
}

void TFormSelect::ButtonDeleteClick() {
  const int row = SelectedRow();
  bool removed;
  {
    const TBusyCursor busy;
    removed = selection_.RemoveRow(row);
  }
  if (removed) delete listViewChar_->takeTopLevelItem(row);
}

void TFormSelect::ListViewCharSelectionChanged() {
  buttonDelete_->setEnabled(selection_.CanRemoveRow(SelectedRow()));
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
  delete listViewChar_->takeTopLevelItem(row);
}

void TFormSelect::FillRows() {
  listViewChar_->clear();
  for (int i = 0; i < static_cast<int>(selection_.Rows().size()); ++i) AddRowItem(i);
}

void TFormSelect::AddRowItem(int index) {
  const TCharacterRow& row = selection_.Rows()[static_cast<size_t>(index)];
  listViewChar_->addTopLevelItem(new QTreeWidgetItem({FromUtf8(row.Name), FromUtf8(row.Path)}));
}

int TFormSelect::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = listViewChar_->selectedItems();
  if (selected.size() != 1) return -1;
  return listViewChar_->indexOfTopLevelItem(selected.front());
}

}  // namespace kelmo
