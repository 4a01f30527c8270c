// The folder that the paths a character's data names must stay inside.
//
// A definition file and its replies name files freely: "folder", the dictionary lists, pictures,
// sounds, the petting files, the program ENTRUST starts. Written by a hostile author they could
// name "..\..\..\etc\passwd" or put the state file into any folder. So each such path, once
// resolved to a real path (".." and symbolic links included), must lie inside a root; one that
// does not counts as missing. A character's root is the program folder when its definition file
// lies inside it, so that characters there may share files through "..\common\", and otherwise
// the folder that holds the definition file.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

class TDataRoot {
 public:
  // The root of the folder at the UTF-8 file-system path.
  explicit TDataRoot(const std::string& folder);

  // The root of the character whose definition file is at the data path, the program folder
  // being the data path programFolder.
  static TDataRoot ForCharacter(std::string_view definitionPath, std::string_view programFolder);

  // Whether the UTF-8 file-system path lies inside the root (or is the root) once ".." and
  // symbolic links are resolved. Components that do not exist yet are taken as written, so a
  // file about to be created counts by the folder it would be created in.
  bool Contains(const std::string& fileSystemPath) const;

  // The error-log entry (Shift-JIS) for a data path found to lie outside the root.
  std::string OutsideMessage(std::string_view dataPath) const;

  // The root itself, resolved (UTF-8 file-system path without a final "/" unless it is "/").
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kelmo
