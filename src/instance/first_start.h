// The first start in a user's program folder: the characters an installed program brings are
// copied from its share folder into the program folder, so that their state files and the settings
// become the user's own, and they are entered in the list of installed characters so that the
// first of them greets the user at once.
//
// A program folder without "Kelmo.ini" has never been used; later starts copy nothing, so a
// character the user removed stays removed. A file the user already has is never replaced, not
// even on the first start: each copy is written under a temporary name and renamed only when no
// file of that name exists. Only regular files and folders are copied; links are left behind.
// Nothing is written through a symbolic link in the program folder: a link where a bundled folder
// or file belongs is reported and what belongs below it is not copied.
#pragma once

#include <string>
#include <vector>

namespace kelmo {

// What a first start did.
struct TSeedReport {
  int CopiedFiles = 0;                // files written into the program folder
  std::vector<std::string> Problems;  // one message per failure (UTF-8); the rest was done
};

// Whether the program folder (a UTF-8 file-system path) has never been used: it holds no settings
// file "Kelmo.ini".
bool IsFirstStart(const std::string& programFolder);

// Copies every file and folder below shareFolder into programFolder (both UTF-8 file-system paths;
// the program folder is created when missing) without replacing anything that exists, then, when
// the settings file still lists no characters, lists the definition files ("*.klc") at the top of
// the share folder in name order. A file that cannot be copied, or whose place in the program
// folder is or lies below a symbolic link, is reported and skipped.
TSeedReport SeedProgramFolder(const std::string& programFolder, const std::string& shareFolder);

}  // namespace kelmo
