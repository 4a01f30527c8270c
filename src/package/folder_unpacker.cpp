#include "package/folder_unpacker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "package/package_error.h"

namespace kelmo {

TFolderUnpacker::TFolderUnpacker(std::string folder) : folder_(std::move(folder)) {}

void TFolderUnpacker::MakeFolders(const std::string& name, bool withLast) {
  size_t slash = 0;
  for (;;) {
    slash = name.find('/', slash);
    if (slash == std::string::npos && !withLast) return;
    const std::string part = folder_ + "/" + name.substr(0, slash);
    if (::mkdir(part.c_str(), 0755) != 0) {
      if (errno != EEXIST) throw EPackageError(WriteFailureCode(errno), name);
      struct stat info;
      if (::lstat(part.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw EPackageError(TPackageCode::OutsideFolder, name);
      }
    }
    if (slash == std::string::npos) return;
    ++slash;
  }
}

void TFolderUnpacker::Folder(const TPackageEntry& entry) {
  MakeFolders(entry.Name, true);
  entries_.push_back(entry);
}

void TFolderUnpacker::BeginFile(const TPackageEntry& entry) {
  MakeFolders(entry.Name, false);
  const std::string path = folder_ + "/" + entry.Name;
  file_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!file_.IsOpen()) {
    throw EPackageError(errno == EEXIST ? TPackageCode::Duplicate : WriteFailureCode(errno),
                        entry.Name);
  }
  fileName_ = entry.Name;
  entries_.push_back(entry);
}

void TFolderUnpacker::Write(std::string_view data) {
  if (!WriteAllBytes(file_.Get(), data)) throw EPackageError(WriteFailureCode(errno), fileName_);
}

void TFolderUnpacker::EndFile() {
  if (::close(file_.Release()) != 0) throw EPackageError(WriteFailureCode(errno), fileName_);
}

}  // namespace kelmo
