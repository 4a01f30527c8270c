// What an unpacked package holds, and whether it is a character.
//
// A package holds one or more definition files (".klc") at its top, or at the top of the one
// folder that holds everything else (packages are often made by zipping a folder), and the folders
// those definition files name with "folder", laid out as they are in the program folder: a
// definition file "akari.klc" naming "characters\akari" comes with "characters/akari/...". Each
// definition file must load as a character from the package alone, and each must name a folder of
// its own below the top: not the top itself, not a folder the program keeps for itself ("SPIs",
// "plugins"), and not one inside another's. Every other file (a readme, a licence) is kept beside
// the character: it moves into the first character's folder, under its path in the package.
// Folders "__MACOSX" that archivers on macOS add are no part of the package.
#pragma once

#include <string>
#include <vector>

#include "package/package_reader.h"

namespace kelmo {

// One character of a package.
struct TPackagedCharacter {
  std::string DefinitionFile;  // the definition file's name (UTF-8), e.g. "akari.klc"
  std::string Name;            // its "name" (UTF-8)
  std::string FolderValue;     // its "folder" as written (Shift-JIS)
  std::string Folder;          // the folder in the package, relative to the top (UTF-8, "/")
};

struct TPackageLayout {
  std::string Top;  // the folder the definition files lie in (UTF-8 file-system path)
  std::vector<TPackagedCharacter> Characters;
  // Files beside the characters, relative to Top; moved by KeepExtrasBesideCharacter.
  std::vector<std::string> Extras;
};

// Examines the package unpacked into folder (entries as the unpacker wrote them). Raises
// EPackageError: NoDefinition, DefinitionDoesNotLoad, NoCharacterFolder, FolderConflict.
TPackageLayout ExamineLayout(const std::string& folder, const std::vector<TPackageEntry>& entries);

// Moves the layout's extra files into the first character's folder, under their paths relative
// to the top. Raises EPackageError: ExtraFileConflict when the folder has a file of that name,
// WriteFailed or DiskFull.
void KeepExtrasBesideCharacter(const TPackageLayout& layout);

}  // namespace kelmo
