#include "charfile/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "charfile/kelmo_error.h"

namespace kelmo {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw EFileError("cannot " + what + " " + path + ": " + std::strerror(errno));
}

bool WriteAll(int descriptor, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(descriptor, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

void WriteFileAtomically(const std::string& fileSystemPath, std::string_view content) {
  std::string pattern = fileSystemPath + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) Fail("create a temporary file for", fileSystemPath);
  const std::string temporary(name.data());
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  struct stat old;
  const mode_t mode = ::stat(fileSystemPath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool written = ::fchmod(descriptor, mode) == 0 && WriteAll(descriptor, content) &&
                       ::fsync(descriptor) == 0;
  const int savedErrno = errno;
  ::close(descriptor);
  if (!written || ::rename(temporary.c_str(), fileSystemPath.c_str()) != 0) {
    const int failure = written ? errno : savedErrno;
    ::unlink(temporary.c_str());
    errno = failure;
    Fail("write", fileSystemPath);
  }
}

}  // namespace kelmo
