// The petting menu ("nadenade"): actions a character's author prepares (stroke, poke, ...), each a
// label shown in the menu and a text sent to the character as if the user had typed it.
//
// The actions come from the data files listed in the definition file's "datanadenade" when its
// "nadenade" is true. Each line of a data file is a comma text: field 1 the label, field 2 the
// text; a line with fewer fields is skipped, and a line whose first field is "{ENDOFDATA}" (any
// letter case or width) ends that file when it has a second field. A character without a petting
// menu gets the single inert label "なでなで未対応人格". A data file is Shift-JIS, or UTF-8 after
// a byte order mark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

class TCharacterFile;
class TDataRoot;
class TLoadListener;

class TNadenadeMenu {
 public:
  // Empties the menu.
  void Clear();

  // Refills the menu from a character's definition file: Clear, then the data files of
  // "datanadenade" in order, or the inert label. A data file is looked for in the program folder
  // appDir (a data path ending in a delimiter) joined with the "folder" value, and when it is not
  // there in the character folder (the two differ for a character installed elsewhere). Returns
  // the messages of data files that are missing or cannot be read (Shift-JIS, for the error log);
  // the menu then holds what the other files gave. With root, a data file outside it counts as
  // missing (and gets a message of its own when the other place has no usable file either).
  // listener (may be null) hears of the missing files and of every line of the files read.
  std::vector<std::string> Load(const TCharacterFile& characterFile, const std::string& appDir,
                                const TDataRoot* root = nullptr, TLoadListener* listener = nullptr);

  // Appends the actions of one data file (data path). Raises EFileError when it cannot be read.
  // listener (may be null) hears of its lines.
  void LoadFile(const std::string& path, TLoadListener* listener = nullptr);

  // The labels in menu order (Shift-JIS).
  const std::vector<std::string>& Labels() const { return labels_; }

  // The text item index sends, or nullptr for an inert item or an index outside the menu.
  const std::string* ActionAt(int index) const;

 private:
  std::vector<std::string> labels_;
  std::vector<std::string> actions_;  // parallel to labels_ unless the menu is inert
};

}  // namespace kelmo
