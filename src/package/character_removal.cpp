#include "package/character_removal.h"

#include <sys/stat.h>

#include <QFile>
#include <QString>
#include <filesystem>
#include <optional>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/data_root.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"
#include "package/package_paths.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kDefinitionPattern = ".klc";

fs::path CharacterFolderOf(const fs::path& definition) {
  return NormalPath(
      ResolveDataPath(TCharacterFile(FromFileSystemPath(definition.string())).Folder));
}

// Whether another definition file at the top of the program folder names folder.
bool FolderIsShared(const fs::path& programFolder, const fs::path& definition,
                    const fs::path& folder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(programFolder, error)) {
    const fs::path& path = entry.path();
    std::error_code ignored;
    if (path == definition || !entry.is_regular_file(ignored) ||
        AsciiLowerCase(path.extension().string()) != kDefinitionPattern) {
      continue;
    }
    if (CharacterFolderOf(path) == folder) return true;
  }
  return false;
}

bool IsOwnFolder(const fs::path& programFolder, const fs::path& definition,
                 const fs::path& folder) {
  if (!IsStrictlyBelow(folder, programFolder)) return false;
  if (!TDataRoot(programFolder.string()).Contains(folder.string())) return false;
  if (IsReservedFolder(folder.lexically_relative(programFolder).begin()->string())) return false;
  std::error_code ignored;
  return fs::is_directory(fs::symlink_status(folder, ignored)) &&
         !FolderIsShared(programFolder, definition, folder);
}

// The character's state file, when it exists.
std::optional<fs::path> StateFileOf(const fs::path& definition) {
  const std::string data = FromFileSystemPath(definition.string());
  const TCharacterFile file(data);
  const std::string state = ResolveDataPath(
      file.PathInFolder(ChangeFileExtension(ExtractFileName(data), kStateFileExtension)));
  std::error_code ignored;
  if (!fs::is_regular_file(fs::symlink_status(state, ignored))) return std::nullopt;
  return fs::path(state);
}

bool MoveToTrash(const fs::path& path, std::vector<std::pair<fs::path, QString>>& trashed) {
  QString inTrash;
  if (!QFile::moveToTrash(QString::fromStdString(path.string()), &inTrash)) return false;
  trashed.emplace_back(path, inTrash);
  return true;
}

}  // namespace

TRemoveResult RemoveCharacter(const TRemoveRequest& request, TCharacterList& list) {
  TRemoveResult result;
  const auto fail = [&](TPackageCode code, const std::string& entry) {
    result.Code = code;
    result.Entry = entry;
    result.Message = PackageMessage(code, entry);
    return result;
  };
  try {
    const TInstallLock lock(request.ProgramFolder, request.LockPatience);
    const fs::path programFolder = NormalPath(request.ProgramFolder);
    const fs::path definition = NormalPath(request.DefinitionPath);
    struct stat info;
    if (definition.parent_path() != programFolder || ::lstat(definition.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
      return fail(TPackageCode::NotInstalled, request.DefinitionPath);
    }
    std::error_code ignored;
    if (!request.RunningDefinitionPath.empty() &&
        fs::equivalent(definition, request.RunningDefinitionPath, ignored)) {
      return fail(TPackageCode::Running, definition.filename().string());
    }
    const fs::path folder = CharacterFolderOf(definition);
    std::vector<fs::path> toTrash;
    if (IsOwnFolder(programFolder, definition, folder)) {
      toTrash = {definition, folder};
    } else if (const std::optional<fs::path> state = StateFileOf(definition)) {
      toTrash = {definition, *state};
    } else {
      toTrash = {definition};
    }
    std::vector<std::pair<fs::path, QString>> trashed;
    for (const fs::path& path : toTrash) {
      if (MoveToTrash(path, trashed)) continue;
      // Put back what went before, so the character stays whole.
      for (const auto& [original, inTrash] : trashed) {
        fs::rename(inTrash.toStdString(), original, ignored);
      }
      return fail(TPackageCode::TrashFailed, path.string());
    }
    for (const auto& [original, inTrash] : trashed) result.Trashed.push_back(original.string());

    const std::string wanted = AsciiUpperCase(FromFileSystemPath(definition.string()));
    std::erase_if(list.Items,
                  [&](const std::string& item) { return AsciiUpperCase(item) == wanted; });
    try {
      list.Save();
    } catch (const EFileError& error) {
      return fail(TPackageCode::ListNotSaved, error.Path());
    }
  } catch (const EPackageError& error) {
    return fail(error.Code(), error.Entry());
  }
  return result;
}

}  // namespace kelmo
