#include "package/temporary_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>

#include "package/package_error.h"

namespace kelmo {

namespace fs = std::filesystem;

TPackageCode WriteFailureCode(int errorNumber);

TTemporaryFolder::TTemporaryFolder(const std::string& parent) {
  std::string pattern = (fs::path(parent) / kTemporaryFolderPrefix).string() + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw EPackageError(WriteFailureCode(errno), parent);
  }
  path_ = std::move(pattern);
}

TTemporaryFolder::~TTemporaryFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void RemoveLeftoverFolders(const std::string& programFolder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(programFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kTemporaryFolderPrefix)) continue;
    std::error_code ignored;
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) fs::remove_all(entry, ignored);
  }
}

}  // namespace kelmo
