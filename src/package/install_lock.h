// Keeps two installs, updates or removals in one program folder from interleaving: an exclusive
// flock() on the program folder itself. Locking the folder rather than a file in it leaves the
// folder exactly as it was when an install is refused, and the kernel drops the lock when its
// holder ends in any way. It is apart from the lock of the running program
// (src/instance/instance_lock.h), so a running program's own install and an install from a
// terminal exclude each other while the program runs on.
#pragma once

#include <chrono>
#include <string>

#include "charfile/regular_file.h"

namespace kelmo {

// How long an install waits for the one before it to end.
inline constexpr std::chrono::milliseconds kInstallLockPatience{60000};

class TInstallLock {
 public:
  // Takes the lock of programFolder (a UTF-8 file-system path), waiting up to patience for an
  // install that holds it. Raises EPackageError: Busy when the wait runs out, WriteFailed when
  // the folder cannot be opened.
  TInstallLock(const std::string& programFolder, std::chrono::milliseconds patience);

 private:
  TFileDescriptor folder_;  // closing it releases the lock
};

}  // namespace kelmo
