// The lock that keeps one running program per program folder: an exclusive flock() on a lock file
// in the folder. The kernel drops the lock when its holder ends in any way (a crash, SIGKILL), so a
// lock left by a killed program never blocks the next start, and nothing needs cleaning up. The
// descriptor is closed on exec, so programs the character starts never inherit the lock.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "charfile/regular_file.h"

namespace kelmo {

// The lock file in the program folder; it stays when the program ends (an empty file).
inline constexpr std::string_view kLockFileName = ".dorrinkelmo.lock";

// Holds the lock while it lives.
class TInstanceLock {
 public:
  // Takes the lock of the program folder (a UTF-8 file-system path) without waiting. Returns null
  // when another process holds it. Raises std::system_error when the lock file can be neither
  // created nor opened (a folder the user may not write, with no lock file yet).
  static std::unique_ptr<TInstanceLock> TryLock(const std::string& programFolder);

 private:
  explicit TInstanceLock(TFileDescriptor lockFile) : lockFile_(std::move(lockFile)) {}

  TFileDescriptor lockFile_;  // closing it releases the lock
};

}  // namespace kelmo
