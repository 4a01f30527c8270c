// Installing a character from a package, and updating an installed one.
//
// An install takes the program folder's install lock, unpacks the package into a fresh temporary
// folder inside the program folder, examines it (package_layout.h) and only then touches what is
// installed. A character counts as installed when its definition file or its folder exists in the
// program folder; installing it again is an update, which the caller is asked about first. An
// update carries the user's state files (".kls") of the installed folder into the new one, so what
// the character remembers and its place in the list stay; every other file of the old version goes.
//
// Moving into place is a journal of renames on one file system: each installed definition file
// and folder is first renamed aside into the temporary folder, then the new one is renamed in, and
// the list of installed characters is saved last. A failure at any step renames everything back,
// so the program folder holds the old character exactly as it was; when all succeeded, the old
// version goes with the temporary folder. Each rename is written to a journal on the disk first
// (install_journal.h), so that a crash halfway is undone by the next install or the next start.
//
// The library asks nothing of a user itself: the caller answers the update question through
// TInstallRequest::ConfirmUpdate and offers to switch to a character of the result.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "package/install_lock.h"
#include "package/package_error.h"
#include "package/package_limits.h"

namespace kelmo {

class TCharacterList;

// A character of the package, as installed (or as found installed, for the update question).
struct TInstalledCharacter {
  std::string Name;            // its "name" (UTF-8)
  std::string DefinitionPath;  // its definition file in the program folder (UTF-8 file-system path)
};

// The steps of moving into place, for the seam that makes one fail.
enum class TInstallStep {
  MoveOldFolderAside,
  MoveNewFolderIn,
  MoveOldDefinitionAside,
  MoveNewDefinitionIn,
  SaveList,
};

struct TInstallRequest {
  std::string Package;        // the package file (UTF-8 file-system path)
  std::string ProgramFolder;  // UTF-8 file-system path
  // Asked before an update with the characters installed now; false cancels the install, which
  // then changes nothing. Empty: updates go ahead.
  std::function<bool(const std::vector<TInstalledCharacter>& installed)> ConfirmUpdate;
  TPackageLimits Limits;
  std::chrono::milliseconds LockPatience = kInstallLockPatience;
  // Called before each step of moving into place; what it raises fails that step. Tests use it.
  std::function<void(TInstallStep step)> BeforeStep;
};

struct TInstallResult {
  TPackageCode Code = TPackageCode::Ok;
  std::string Entry;                            // the entry or file the failure names (UTF-8)
  std::string Message;                          // the sentence for the user (PackageMessage)
  bool Updated = false;                         // an installed character was replaced
  std::vector<TInstalledCharacter> Characters;  // what is installed now, in package order
};

// What a user reads about one character an install put in place: "インストールしました: " or,
// after an update, "更新しました: ", then its name and its definition file in parentheses.
std::string InstalledLine(const TInstalledCharacter& character, bool updated);

// Installs the package into the program folder and adds its characters to list (kept by the
// caller, a running program's list; it is saved to the settings file here, a character already
// listed keeps its place). Never raises: a refusal or failure comes back as the result's code, and
// then the program folder, the list and the settings file are as they were (Cancelled included).
TInstallResult InstallPackage(const TInstallRequest& request, TCharacterList& list);

// The same for a caller that holds no list: the list is read from the program folder's settings
// file once the install lock is taken, so installs that wait for each other each add to the list
// the one before saved.
TInstallResult InstallPackage(const TInstallRequest& request);

}  // namespace kelmo
