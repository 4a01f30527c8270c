// Removing an installed character: its definition file and its folder (the state file with it) go
// to the desktop's trash, the freedesktop trash that file managers show, so a mistake can be
// undone there; the character leaves the list of installed characters.
//
// Only a definition file lying in the program folder itself counts as installed. Its folder goes
// to the trash only when it is the character's own: strictly inside the program folder, not a
// folder the program keeps for itself, and named by no other definition file there. Otherwise
// (characters sharing a folder) the definition file and the character's state file go alone.
// The character in use cannot be removed; the caller asks for confirmation before.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "package/install_lock.h"
#include "package/package_error.h"

namespace kelmo {

class TCharacterList;

struct TRemoveRequest {
  std::string ProgramFolder;          // UTF-8 file-system path
  std::string DefinitionPath;         // the character to remove (UTF-8 file-system path)
  std::string RunningDefinitionPath;  // the character in use (may be empty)
  std::chrono::milliseconds LockPatience = kInstallLockPatience;
};

struct TRemoveResult {
  TPackageCode Code = TPackageCode::Ok;
  std::string Entry;                 // the file the failure names (UTF-8)
  std::string Message;               // PackageMessage, or empty on success
  std::vector<std::string> Trashed;  // the paths moved to the trash, in order
};

// Moves the character to the trash and drops it from list (kept by the caller), saving the list
// to the settings file. Never raises. Codes: NotInstalled, Running, TrashFailed (nothing was
// removed), ListNotSaved (the files are in the trash; the list drops the entry at its next load,
// as it drops every definition file that is gone), Busy.
TRemoveResult RemoveCharacter(const TRemoveRequest& request, TCharacterList& list);

}  // namespace kelmo
