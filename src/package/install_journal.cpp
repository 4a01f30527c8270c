// The rename journal and the recovery of installs a crash interrupted.
#include "package/install_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <utility>
#include <vector>

#include "package/install_lock.h"
#include "package/package_error.h"
#include "package/package_paths.h"
#include "package/temporary_folder.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

// The file's bytes; empty when it cannot be read.
std::string ReadJournal(const fs::path& path) {
  const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  std::string bytes;
  if (!file.IsOpen()) return bytes;
  char buffer[4096];
  ssize_t count;
  while ((count = ::read(file.Get(), buffer, sizeof buffer)) > 0) {
    bytes.append(buffer, static_cast<size_t>(count));
  }
  return bytes;
}

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

// Undoes the journal's renames newest first, each where it happened.
void UndoJournal(const fs::path& journal, const fs::path& programFolder) {
  const auto renames = ParseInstallJournal(ReadJournal(journal));
  for (auto it = renames.rbegin(); it != renames.rend(); ++it) {
    const fs::path from = NormalPath(it->first.string());
    const fs::path to = NormalPath(it->second.string());
    if (!IsStrictlyBelow(from, programFolder) || !IsStrictlyBelow(to, programFolder)) continue;
    if (!Exists(to) || Exists(from)) continue;
    std::error_code ignored;
    fs::rename(to, from, ignored);
  }
}

void WriteAll(int file, std::string_view bytes, const std::string& shown) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(file, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) throw EPackageError(WriteFailureCode(count < 0 ? errno : ENOSPC), shown);
    bytes.remove_prefix(static_cast<size_t>(count));
  }
}

}  // namespace

std::vector<std::pair<fs::path, fs::path>> ParseInstallJournal(std::string_view bytes) {
  std::vector<std::string_view> fields;
  for (size_t end; (end = bytes.find('\0')) != std::string_view::npos;) {
    fields.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  std::vector<std::pair<fs::path, fs::path>> renames;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    renames.emplace_back(fs::path(fields[i]), fs::path(fields[i + 1]));
  }
  return renames;
}

TInstallJournal::TInstallJournal(const std::string& folder)
    : path_((fs::path(folder) / kInstallJournalName).string()),
      file_(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600)) {
  if (!file_.IsOpen()) throw EPackageError(WriteFailureCode(errno), path_);
}

void TInstallJournal::Intend(const fs::path& from, const fs::path& to) {
  std::string record = from.string();
  record.push_back('\0');
  record += to.string();
  record.push_back('\0');
  WriteAll(file_.Get(), record, path_);
  if (::fsync(file_.Get()) != 0) throw EPackageError(WriteFailureCode(errno), path_);
}

void TInstallJournal::Commit() {
  file_.Reset();
  if (::unlink(path_.c_str()) != 0) throw EPackageError(WriteFailureCode(errno), path_);
  // The removal reaches the disk before the old copy is deleted with the temporary folder.
  const TFileDescriptor folder(
      ::open(fs::path(path_).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.IsOpen()) ::fsync(folder.Get());
}

void RecoverInterruptedInstalls(const std::string& programFolder) {
  const fs::path home = NormalPath(programFolder);
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(programFolder, error)) {
    std::error_code ignored;
    if (!entry.path().filename().string().starts_with(kTemporaryFolderPrefix) ||
        !entry.is_directory(ignored) || entry.is_symlink(ignored)) {
      continue;
    }
    const fs::path journal = entry.path() / kInstallJournalName;
    if (Exists(journal)) UndoJournal(journal, home);
  }
  RemoveLeftoverFolders(programFolder);
}

void RecoverInterruptedInstallsAtStart(const std::string& programFolder) {
  try {
    const TInstallLock lock(programFolder, std::chrono::milliseconds(0));
    RecoverInterruptedInstalls(programFolder);
  } catch (const std::exception&) {
    // Busy: the install holding the lock recovers first; a folder not opened holds nothing.
  }
}

}  // namespace kelmo
