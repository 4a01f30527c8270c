// The program folder's lock.
#include "instance/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace kelmo {
namespace {

// The lock file is private to its user, like the folder's other files.
constexpr mode_t kLockFileMode = 0600;

std::string LockFilePath(const std::string& programFolder) {
  std::string path = programFolder;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path.append(kLockFileName);
}

// Opens the lock file without following a link or blocking on a FIFO put in its place; read-only
// when it exists in a folder the user may not write (flock needs no write access).
TFileDescriptor OpenLockFile(const std::string& path) {
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  TFileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | kFlags, kLockFileMode));
  if (file.IsOpen()) return file;
  const int createError = errno;
  if (createError == EACCES || createError == EROFS) {
    file.Reset(::open(path.c_str(), O_RDONLY | kFlags));
    if (file.IsOpen()) return file;
    // No lock file to read: the cause is that it could not be made, not that it is missing.
    if (errno != ENOENT) throw std::system_error(errno, std::generic_category(), path);
  }
  throw std::system_error(createError, std::generic_category(), path);
}

}  // namespace

std::unique_ptr<TInstanceLock> TInstanceLock::TryLock(const std::string& programFolder) {
  const std::string path = LockFilePath(programFolder);
  TFileDescriptor file = OpenLockFile(path);
  int result;
  do {
    result = ::flock(file.Get(), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return std::unique_ptr<TInstanceLock>(new TInstanceLock(std::move(file)));
  if (errno == EWOULDBLOCK) return nullptr;
  throw std::system_error(errno, std::generic_category(), path);
}

}  // namespace kelmo
