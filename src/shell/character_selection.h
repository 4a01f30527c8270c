// The model of the character selection dialog ("人格の選択"), free of any toolkit: the rows the
// dialog lists and what its buttons do to the list of installed characters.
//
// The dialog works directly on the controller's TCharacterList. Opening it adds every valid "*.klc"
// beside the program to the list (these additions stay even when the dialog is cancelled) and
// lists the valid entries. Rows can be added from a file and deleted; only OK applies the rows to
// the list: the chosen character first, then the other rows in view order. Cancel leaves the list
// as opening left it.
//
// The package buttons (「追加(&A)...」 installs a package, 「削除(&D)」 moves a character to the
// trash) act at once through the controller (TSelectionPackageActions), which asks the questions
// and saves the list; the rows follow, and Cancel does not undo them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

class TCharacterList;

// Shown when OK is pressed without a selected row.
inline constexpr std::string_view kSelectCharacterMessage = "人格を選択してください";
// Shown when a browsed file is no character definition file.
inline constexpr std::string_view kInvalidFileMessage = "無効なファイルです";
// The file-open dialog's title and filter.
inline constexpr std::string_view kSelectFileTitle = "人格ファイルの選択";
inline constexpr std::string_view kSelectFileFilter = "Kelmo人格ファイル(*.klc, *.txt)|*.klc;*.txt";
// The extension of definition files looked for beside the program (any letter case).
inline constexpr std::string_view kCharacterFileExtension = ".klc";
// The file-open dialog of 「追加(&A)...」: its title and filter (the formats the reader knows).
inline constexpr std::string_view kSelectPackageTitle = "人格パッケージの選択";
inline constexpr std::string_view kSelectPackageFilter =
    "Kelmo人格パッケージ(*.klz, *.zip, *.tar, *.tar.gz, *.tgz)|*.klz;*.zip;*.tar;*.tar.gz;*.tgz";

// What installing a package from the dialog came to: the definition files now installed (data
// paths; none when nothing was) and the one the user chose to switch to (empty for none).
struct TPackageAdded {
  std::vector<std::string> Installed;
  std::string SwitchTo;
};

// The package buttons' work, done by the controller; without it both buttons do nothing.
struct TSelectionPackageActions {
  // Installs the package (a UTF-8 file-system path), asking before an update and offering the
  // switch, and shows why when nothing was installed.
  std::function<TPackageAdded(const std::string& package)> Install;
  // Asks, then moves the character (a data path) to the trash; true when it is gone.
  std::function<bool(const std::string& dataPath)> Remove;
  // The character in use (a data path), which cannot be removed.
  std::string RunningPath;
};

// One listed character (UTF-8, for display): its "name" and its path.
struct TCharacterRow {
  std::string Name;
  std::string Path;
};

class TCharacterSelection {
 public:
  // Opens the dialog on list: ScanProgramFolder, then FillFromCharacterList. appDir is the program
  // folder as a data path ending in a delimiter; actions serve the package buttons.
  TCharacterSelection(TCharacterList& list, std::string appDir,
                      TSelectionPackageActions actions = {});

  // The rows in view order.
  const std::vector<TCharacterRow>& Rows() const { return rows_; }

  // A file chosen with the file-open dialog (UTF-8 file-system path): a valid definition file is
  // appended as a row and the empty text returned; otherwise "無効なファイルです" is returned and
  // nothing changes.
  std::string AddFile(std::string_view fileSystemPath);

  // The Delete key on row index; an index outside the rows does nothing.
  void DeleteRow(int index);

  // OK with row index selected (-1 for none): returns "人格を選択してください" and changes nothing
  // when no row is selected; otherwise the chosen path becomes SelectedPath, the list becomes the
  // chosen path followed by the other rows in view order (duplicates dropped), and the empty text
  // is returned.
  std::string Confirm(int index);

  // Whether the package buttons work in this dialog (the controller gave their actions).
  bool HandlesPackages() const { return actions_.Install && actions_.Remove; }

  // 「追加(&A)...」 with a package file (UTF-8 file-system path): installs it through the actions
  // and appends a row for each installed character not listed yet. Returns true when the user
  // chose to switch to one: it is then confirmed as Confirm would, and the dialog closes.
  bool AddPackage(const std::string& fileSystemPath);

  // Whether 「削除(&D)」 may act on row index: a row, package actions given, and not the
  // character in use.
  bool CanRemoveRow(int index) const;

  // 「削除(&D)」 on row index: when CanRemoveRow, the actions ask and remove the character, and its
  // row goes. Returns whether the character was removed.
  bool RemoveRow(int index);

  // Cancel: nothing of the rows reaches the list.
  void Cancel() { cancelled_ = true; }

  bool Cancelled() const { return cancelled_; }
  // The chosen definition file as a data path (Shift-JIS); empty until Confirm succeeded.
  const std::string& SelectedPath() const { return selectedPath_; }

 private:
  void ScanProgramFolder();
  void FillFromCharacterList();
  bool AddRow(const std::string& dataPath);
  // The row whose definition file is the data path's file (however it is spelled), or -1.
  int RowOf(const std::string& dataPath) const;

  TCharacterList& list_;
  std::string appDir_;
  TSelectionPackageActions actions_;
  std::vector<TCharacterRow> rows_;
  std::vector<std::string> rowPaths_;  // data paths, parallel to rows_
  std::string selectedPath_;
  bool cancelled_ = false;
};

}  // namespace kelmo
