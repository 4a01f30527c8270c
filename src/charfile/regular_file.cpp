#include "charfile/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "charfile/kelmo_error.h"

namespace kelmo {

int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
  const int descriptor = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
  if (descriptor < 0) {
    const int failure = errno;
    throw EFileError("cannot open " + path + ": " + std::strerror(failure), path, failure);
  }
  struct stat info;
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(descriptor);
    throw EFileError("cannot open " + path + ": not a regular file", path, EINVAL);
  }
  // Regular files never block; reads and writes stay simple without the flag.
  ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  return descriptor;
}

bool WriteAllBytes(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

TFileDescriptor::~TFileDescriptor() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace kelmo
