// Picture files are opened without blocking and checked to be regular before they are read, so a
// path naming a pipe or a device cannot hang the program.
#include "pictures/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"
#include "pictures/picture_limits.h"

namespace kelmo {

std::optional<std::string> ReadPictureFile(const std::string& path) {
  TFileDescriptor file;
  try {
    file = OpenRegularFile(path, O_RDONLY);
  } catch (const EFileError&) {
    return std::nullopt;
  }
  return ReadPictureDescriptor(file.Get());
}

std::optional<std::string> ReadPictureDescriptor(int file) {
  struct stat status {};
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kMaxPictureFileBytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(status.st_size), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::pread(file, bytes.data() + filled, bytes.size() - filled,
                                static_cast<off_t>(filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;  // the file shrank while being read
    filled += static_cast<size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace kelmo
