// The model of the character selection dialog ("人格の選択"), free of any toolkit: the rows the
// dialog lists and what its buttons do to the list of installed characters.
//
// The dialog works directly on the controller's TCharacterList. Opening it adds every valid "*.klc"
// beside the program to the list (these additions stay even when the dialog is cancelled) and
// lists the valid entries. Rows can be added from a file and deleted; only OK applies the rows to
// the list: the chosen character first, then the other rows in view order. Cancel leaves the list
// as opening left it.
#pragma once

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

// One listed character (UTF-8, for display): its "name" and its path.
struct TCharacterRow {
  std::string Name;
  std::string Path;
};

class TCharacterSelection {
 public:
  // Opens the dialog on list: ScanProgramFolder, then FillFromCharacterList. appDir is the program
  // folder as a data path ending in a delimiter.
  TCharacterSelection(TCharacterList& list, std::string appDir);

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

  // Cancel: nothing of the rows reaches the list.
  void Cancel() { cancelled_ = true; }

  bool Cancelled() const { return cancelled_; }
  // The chosen definition file as a data path (Shift-JIS); empty until Confirm succeeded.
  const std::string& SelectedPath() const { return selectedPath_; }

 private:
  void ScanProgramFolder();
  void FillFromCharacterList();
  bool AddRow(const std::string& dataPath);

  TCharacterList& list_;
  std::string appDir_;
  std::vector<TCharacterRow> rows_;
  std::vector<std::string> rowPaths_;  // data paths, parallel to rows_
  std::string selectedPath_;
  bool cancelled_ = false;
};

}  // namespace kelmo
