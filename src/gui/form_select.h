// The character selection dialog ("人格の選択"): the installed characters in two columns (name
// and path), a button that adds a definition file from disk, Delete to drop a row, OK to choose.
// Where the controller serves packages, 「追加(&A)...」 installs a character package (a switch
// chosen after it closes the dialog as OK would) and 「削除(&D)」 removes the selected character to
// the trash; 「削除(&D)」 is disabled for the character in use.
//
// The dialog is a view over TCharacterSelection, which owns the rows and what OK and Cancel do to
// the list of installed characters; the view mirrors each change of the model row for row, so
// row i of the list view is always row i of the model.
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QTreeWidget;

namespace kelmo {

class TCharacterSelection;

class TFormSelect : public QDialog {
  Q_OBJECT

 public:
  // Lists the rows of selection, which must outlive the dialog. exec() returns Accepted exactly
  // when OK confirmed a row (selection.SelectedPath() then holds it); Cancel, Escape and closing
  // the window call selection.Cancel() and return Rejected.
  explicit TFormSelect(TCharacterSelection& selection, QWidget* parent = nullptr);

  // Cancels the model before the dialog closes.
  void reject() override;

 protected:
  // Asks the user for a definition file with a file-open dialog of the given title and filter (in
  // Qt's form); the empty text when none was chosen. Tests replace it.
  virtual QString ChooseCharacterFile(const QString& title, const QString& filter);

  // Delete released on the list removes the selected row.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void ButtonRefClick();
  void ButtonAddClick();
  void ButtonDeleteClick();
  void ListViewCharSelectionChanged();
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  void ListViewCharKeyUp(int key);
  void AddRowItem(int index);
  // Lists the model's rows anew (an install may add several).
  void FillRows();
  // The selected row, or -1.
  int SelectedRow() const;

  TCharacterSelection& selection_;
  QTreeWidget* listViewChar_;
  QPushButton* buttonRef_;
  QPushButton* buttonAdd_;
  QPushButton* buttonDelete_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
};

}  // namespace kelmo
