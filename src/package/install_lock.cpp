#include "package/install_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

#include "package/package_error.h"

namespace kelmo {
namespace {

// How long a waiting install sleeps between tries.
constexpr std::chrono::milliseconds kRetryInterval{20};

}  // namespace

TInstallLock::TInstallLock(const std::string& programFolder, std::chrono::milliseconds patience)
    : folder_(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (!folder_.IsOpen()) throw EPackageError(TPackageCode::WriteFailed, programFolder);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (::flock(folder_.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      throw EPackageError(TPackageCode::WriteFailed, programFolder);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw EPackageError(TPackageCode::Busy, "");
    }
    std::this_thread::sleep_for(kRetryInterval);
  }
}

}  // namespace kelmo
