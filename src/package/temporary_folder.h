// A fresh folder of the program's own inside the program folder, removed with everything in it
// when its owner goes, on success and on every failure alike (a full disk included).
//
// Packages are unpacked and characters set aside inside the program folder, not in /tmp, so that
// moving a checked character into place is a rename on one file system, never a copy that could
// stop halfway. The folders are hidden and carry a name only this program gives
// (".kelmo-package-Ab3dEf"); a crash leaves one behind, and the next install removes those (after
// undoing what an install that stopped halfway had moved, install_journal.h).
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// What every such folder's name begins with.
inline constexpr std::string_view kTemporaryFolderPrefix = ".kelmo-package-";

class TTemporaryFolder {
 public:
  // Makes a new, empty folder (mode 0700) inside parent (a UTF-8 file-system path). Raises
  // EPackageError (DiskFull or WriteFailed) when it cannot.
  explicit TTemporaryFolder(const std::string& parent);
  // Removes the folder and all it holds; a failure to remove is ignored (the next install's
  // RemoveLeftoverFolders tries again).
  ~TTemporaryFolder();
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  // The folder's UTF-8 file-system path.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Removes what crashed installs left in the program folder: its folders named
// kTemporaryFolderPrefix followed by anything. Call only while holding the install lock, and only
// after RecoverInterruptedInstalls has put back what they had moved aside.
void RemoveLeftoverFolders(const std::string& programFolder);

}  // namespace kelmo
