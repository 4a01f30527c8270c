// The journal of an install's renames, which lets a crash halfway through moving a character into
// place be undone. Before each rename the install writes where from and where to into a journal
// file in its temporary folder and flushes it to the disk; once every rename and the list are
// done it removes the journal. A temporary folder that still holds a journal was left by an
// install that stopped halfway: its renames are undone newest first (each one only where it
// happened: the destination is there and the source is not), which puts the old character back,
// state file included, before the leftover folder and the old copy in it are removed.
//
// Journal format: each rename is two NUL-terminated UTF-8 paths, from and to.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charfile/regular_file.h"

namespace kelmo {

// The journal's file name inside an install's temporary folder.
inline constexpr std::string_view kInstallJournalName = "journal";

class TInstallJournal {
 public:
  // Starts an empty journal in folder (an install's temporary folder). Raises EPackageError
  // (DiskFull or WriteFailed) when it cannot be written.
  explicit TInstallJournal(const std::string& folder);

  // Records durably that from is about to be renamed to to. Raises EPackageError as above.
  void Intend(const std::filesystem::path& from, const std::filesystem::path& to);

  // The install is complete: nothing is to be undone any more. Raises EPackageError as above.
  void Commit();

 private:
  std::string path_;
  TFileDescriptor file_;
};

// The renames (from, to) that a journal's bytes record, in the order written; a record cut short
// by a crash is dropped.
std::vector<std::pair<std::filesystem::path, std::filesystem::path>> ParseInstallJournal(
    std::string_view bytes);

// Undoes the renames of every install that stopped halfway in the program folder (a temporary
// folder holding a journal), then removes all the temporary folders installs left behind. Renames
// that name a path outside the program folder are not undone. Call only holding the install lock.
void RecoverInterruptedInstalls(const std::string& programFolder);

// The same at the program's start, taking the install lock without waiting: when another install
// holds it, that install recovers instead. Never raises.
void RecoverInterruptedInstallsAtStart(const std::string& programFolder);

}  // namespace kelmo
