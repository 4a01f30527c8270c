#include "charfile/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"

namespace kelmo {
namespace {

// The random part mkstemp puts at the end of a temporary file's name.
constexpr std::string_view kRandomPart = "XXXXXX";
// The longest file name the file systems take; a temporary name keeps within it by shortening
// the part taken from the file's own name.
constexpr size_t kLongestFileName = 255;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw EFileWriteError("cannot " + what + " " + path + ": " + std::strerror(error), path, error);
}

// The folder part of a path with its final "/" ("" for a bare name), and the name after it.
std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The start of every temporary name of the file called name: a dot, the name (shortened so that
// the whole fits a file name), the mark.
std::string TemporaryPrefix(const std::string& name) {
  const size_t room = kLongestFileName - 1 - kTemporaryFileMark.size() - kRandomPart.size();
  return "." + name.substr(0, room) + std::string(kTemporaryFileMark);
}

// Removes the temporary files of earlier saves in folder: names of the prefix followed by the
// random part's length of characters. Failures are ignored; the save goes on.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
  DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
  if (directory == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name(entry->d_name);
    if (name.size() == prefix.size() + kRandomPart.size() && name.starts_with(prefix)) {
      stale.emplace_back(name);
    }
  }
  ::closedir(directory);
  for (const std::string& name : stale) ::unlink((folder + name).c_str());
}

// Writes content under a temporary name in the file's folder and renames it to the file's name:
// over an existing file with replace, else only when no file of that name exists (false then).
bool WriteAtomically(const std::string& fileSystemPath, std::string_view content, bool replace) {
  const auto [folder, name] = SplitFolder(fileSystemPath);
  const std::string prefix = TemporaryPrefix(name);
  RemoveStaleTemporaries(folder, prefix);
  std::string pattern = folder + prefix + std::string(kRandomPart);
  std::vector<char> temporaryName(pattern.begin(), pattern.end());
  temporaryName.push_back('\0');
  TFileDescriptor file(::mkstemp(temporaryName.data()));
  if (!file.IsOpen()) Fail("create a temporary file for", fileSystemPath, errno);
  const std::string temporary(temporaryName.data());
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  struct stat old;
  const mode_t mode = ::stat(fileSystemPath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool written = ::fchmod(file.Get(), mode) == 0 && WriteAllBytes(file.Get(), content) &&
                       ::fsync(file.Get()) == 0;
  const int savedErrno = errno;
  file.Reset();
  const bool renamed =
      written && (replace ? ::rename(temporary.c_str(), fileSystemPath.c_str())
                          : ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD,
                                        fileSystemPath.c_str(), RENAME_NOREPLACE)) == 0;
  if (renamed) return true;
  const int failure = written ? errno : savedErrno;
  ::unlink(temporary.c_str());
  if (!replace && failure == EEXIST) return false;
  Fail("write", fileSystemPath, failure);
}

}  // namespace

void WriteFileAtomically(const std::string& fileSystemPath, std::string_view content) {
  WriteAtomically(fileSystemPath, content, true);
}

bool WriteNewFileAtomically(const std::string& fileSystemPath, std::string_view content) {
  return WriteAtomically(fileSystemPath, content, false);
}

}  // namespace kelmo
