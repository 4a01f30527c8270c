#include "charfile/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "charfile/kelmo_error.h"

namespace kelmo {

void TFileDescriptor::Reset(int descriptor) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = descriptor;
}

TPipe MakePipe(int flags) {
  int ends[2];
  if (::pipe2(ends, flags) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  return {TFileDescriptor(ends[0]), TFileDescriptor(ends[1])};
}

TFileDescriptor OpenRegularFile(const std::string& path, int flags, mode_t mode) {
  TFileDescriptor file(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
  if (!file.IsOpen()) {
    const int failure = errno;
    throw EFileError("cannot open " + path + ": " + std::strerror(failure), path, failure);
  }
  struct stat info;
  if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw EFileError("cannot open " + path + ": not a regular file", path, EINVAL);
  }
  // Regular files never block; reads and writes stay simple without the flag.
  ::fcntl(file.Get(), F_SETFL, ::fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
  return file;
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

}  // namespace kelmo
