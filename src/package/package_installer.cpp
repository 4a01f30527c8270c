// The install: lock, unpack, examine, plan, ask, move into place with a journal.
#include "package/package_installer.h"

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/data_root.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"
#include "package/folder_unpacker.h"
#include "package/install_journal.h"
#include "package/package_layout.h"
#include "package/package_paths.h"
#include "package/package_reader.h"
#include "package/temporary_folder.h"
#include "shell/settings.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

bool IsFolder(const fs::path& path) {
  std::error_code ignored;
  return fs::is_directory(fs::symlink_status(path, ignored));
}

// Where one character of the package goes.
struct TTarget {
  const TPackagedCharacter* Character = nullptr;
  fs::path StagedDefinition, StagedFolder;
  fs::path Definition, Folder;  // in the program folder
  bool DefinitionExists = false, FolderExists = false;
  bool MovesFolder = true;  // false when an earlier character of the package shares the folder
};

class TInstaller {
 public:
  // Without a list, the settings file's list is read under the lock.
  TInstaller(const TInstallRequest& request, TCharacterList* list, TInstallResult& result)
      : request_(request),
        list_(list),
        result_(result),
        programData_(IncludeTrailingDelimiter(FromFileSystemPath(request.ProgramFolder))) {}

  void Run() {
    const TInstallLock lock(request_.ProgramFolder, request_.LockPatience);
    const fs::path settings = fs::path(request_.ProgramFolder) / kSettingsFileName;
    const bool hadSettings = Exists(settings);
    std::unique_ptr<TCharacterList> ownList;
    if (list_ == nullptr) {
      ownList = std::make_unique<TCharacterList>(FromFileSystemPath(settings.string()));
      list_ = ownList.get();
    }
    try {
      Install();
    } catch (...) {
      // The list writes itself back when it goes; a refused install leaves no settings file
      // where there was none.
      ownList.reset();
      std::error_code ignored;
      if (!hadSettings) fs::remove(settings, ignored);
      throw;
    }
  }

 private:
  void Install() {
    RecoverInterruptedInstalls(request_.ProgramFolder);
    const TTemporaryFolder temporary(request_.ProgramFolder);
    const std::string unpacked = temporary.Path() + "/package";
    if (::mkdir(unpacked.c_str(), 0755) != 0) {
      throw EPackageError(WriteFailureCode(errno), request_.ProgramFolder);
    }
    TFolderUnpacker unpacker(unpacked);
    ReadPackage({request_.Package, {}}, request_.Limits, unpacker);
    const TPackageLayout layout = ExamineLayout(unpacked, unpacker.Entries());
    KeepExtrasBesideCharacter(layout);
    Plan(layout);
    AskAboutUpdate();
    CarryStateFiles();
    MoveIntoPlace(fs::path(temporary.Path()) / "old");
  }

  void Plan(const TPackageLayout& layout) {
    const TDataRoot root(request_.ProgramFolder);
    for (const TPackagedCharacter& character : layout.Characters) {
      TTarget target;
      target.Character = &character;
      target.StagedDefinition = fs::path(layout.Top) / character.DefinitionFile;
      target.StagedFolder = fs::path(layout.Top) / character.Folder;
      target.Definition =
          NormalPath(ResolveDataPath(programData_ + FromFileSystemPath(character.DefinitionFile)));
      target.Folder =
          NormalPath(ResolveDataPath(programData_ + FromFileSystemPath(character.Folder)));
      if (!root.Contains(target.Definition.string()) || !root.Contains(target.Folder.string()) ||
          NormalPath(root.Path()) == target.Folder) {
        throw EPackageError(TPackageCode::FolderConflict, character.DefinitionFile);
      }
      target.FolderExists = Exists(target.Folder);
      if (target.FolderExists && !IsFolder(target.Folder)) {
        throw EPackageError(TPackageCode::FolderConflict, character.DefinitionFile);
      }
      target.DefinitionExists = Exists(target.Definition);
      if (target.DefinitionExists) CheckInstalledDefinition(target);
      for (const TTarget& earlier : targets_) {
        if (earlier.Folder == target.Folder) target.MovesFolder = false;
      }
      targets_.push_back(std::move(target));
    }
  }

  // An installed definition file of the same name must be a character of the same folder:
  // replacing another character's definition file would orphan that character.
  void CheckInstalledDefinition(TTarget& target) {
    const std::string data = FromFileSystemPath(target.Definition.string());
    struct stat info;
    if (::lstat(target.Definition.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      throw EPackageError(TPackageCode::FolderConflict, target.Character->DefinitionFile);
    }
    const TCharacterFile installed(data);
    const fs::path folder = NormalPath(ResolveDataPath(installed.Folder));
    if (folder != target.Folder) {
      throw EPackageError(TPackageCode::FolderConflict, target.Character->DefinitionFile);
    }
    installedNames_.push_back(ShiftJisToUtf8(installed.ReadValue("name")));
  }

  void AskAboutUpdate() {
    std::vector<TInstalledCharacter> installed;
    size_t named = 0;
    for (const TTarget& target : targets_) {
      if (!target.DefinitionExists && !target.FolderExists) continue;
      const std::string name =
          target.DefinitionExists ? installedNames_[named++] : target.Character->Name;
      installed.push_back({name, target.Definition.string()});
    }
    if (installed.empty()) return;
    if (request_.ConfirmUpdate && !request_.ConfirmUpdate(installed)) {
      throw EPackageError(TPackageCode::Cancelled, "");
    }
    result_.Updated = true;
  }

  // The user's state files of an installed folder go into the new one, replacing any the
  // package brings.
  void CarryStateFiles() {
    for (const TTarget& target : targets_) {
      if (!target.FolderExists || !target.MovesFolder) continue;
      std::error_code error;
      for (const fs::directory_entry& file : fs::directory_iterator(target.Folder, error)) {
        const std::string name = file.path().filename().string();
        std::error_code ignored;
        if (!file.is_regular_file(ignored) || file.is_symlink(ignored) ||
            !AsciiLowerCase(file.path().extension().string()).ends_with(kStateFileExtension)) {
          continue;
        }
        fs::copy_file(file.path(), target.StagedFolder / name, fs::copy_options::overwrite_existing,
                      error);
        if (error) throw EPackageError(WriteFailureCode(error.value()), name);
      }
      if (error) throw EPackageError(WriteFailureCode(error.value()), target.Folder.string());
    }
  }

  void MoveIntoPlace(const fs::path& aside) {
    const std::vector<std::string> listBefore = list_->Items;
    try {
      TInstallJournal journal(aside.parent_path().string());
      journal_ = &journal;
      std::error_code error;
      fs::create_directory(aside, error);
      if (error) throw EPackageError(WriteFailureCode(error.value()), request_.ProgramFolder);
      int number = 0;
      for (const TTarget& target : targets_) {
        const std::string shown = target.Character->DefinitionFile;
        const std::string index = std::to_string(number++);
        if (target.MovesFolder) {
          if (target.FolderExists) {
            Rename(TInstallStep::MoveOldFolderAside, target.Folder, aside / ("folder" + index),
                   target.Folder.string());
          }
          MakeParents(target.Folder);
          Rename(TInstallStep::MoveNewFolderIn, target.StagedFolder, target.Folder,
                 target.Folder.string());
        }
        if (target.DefinitionExists) {
          Rename(TInstallStep::MoveOldDefinitionAside, target.Definition,
                 aside / ("definition" + index), shown);
        }
        Rename(TInstallStep::MoveNewDefinitionIn, target.StagedDefinition, target.Definition,
               shown);
        list_->AddCharacter(FromFileSystemPath(target.Definition.string()));
        result_.Characters.push_back({target.Character->Name, target.Definition.string()});
      }
      SaveList();
      journal.Commit();
      journal_ = nullptr;
    } catch (...) {
      journal_ = nullptr;
      list_->Items = listBefore;
      Undo();
      throw;
    }
  }

  // One step of the journal: renames from to to.
  void Rename(TInstallStep step, const fs::path& from, const fs::path& to,
              const std::string& shown) {
    if (request_.BeforeStep) request_.BeforeStep(step);
    journal_->Intend(from, to);
    std::error_code error;
    fs::rename(from, to, error);
    if (error) throw EPackageError(WriteFailureCode(error.value()), shown);
    done_.push_back({from, to});
  }

  // Makes the folders above folder that are missing, remembering them for Undo.
  void MakeParents(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path parent = folder.parent_path(); !Exists(parent); parent = parent.parent_path()) {
      missing.push_back(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      std::error_code error;
      fs::create_directory(*it, error);
      if (error) throw EPackageError(WriteFailureCode(error.value()), it->string());
      created_.push_back(*it);
    }
  }

  void SaveList() {
    if (request_.BeforeStep) request_.BeforeStep(TInstallStep::SaveList);
    try {
      list_->Save();
    } catch (const EFileError&) {
      throw EPackageError(TPackageCode::ListNotSaved,
                          (fs::path(request_.ProgramFolder) / kSettingsFileName).string());
    }
  }

  // Renames everything back, newest first, and removes the folders made on the way.
  void Undo() {
    for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
      std::error_code ignored;
      fs::rename(it->second, it->first, ignored);
    }
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      std::error_code ignored;
      fs::remove(*it, ignored);  // only when empty
    }
    result_.Characters.clear();
    result_.Updated = false;
  }

  const TInstallRequest& request_;
  TCharacterList* list_;
  TInstallResult& result_;
  const std::string programData_;
  std::vector<TTarget> targets_;
  std::vector<std::string> installedNames_;  // of the installed definition files, in target order
  TInstallJournal* journal_ = nullptr;       // while moving into place
  std::vector<std::pair<fs::path, fs::path>> done_;
  std::vector<fs::path> created_;
};

TInstallResult Install(const TInstallRequest& request, TCharacterList* list) {
  TInstallResult result;
  const TPackageOutcome outcome =
      RunPackageOperation([&] { TInstaller(request, list, result).Run(); });
  result.Code = outcome.Code;
  result.Entry = outcome.Entry;
  if (result.Code != TPackageCode::Ok) {
    result.Characters.clear();
    result.Updated = false;
  }
  result.Message = PackageMessage(result.Code, result.Entry);
  return result;
}

}  // namespace

std::string InstalledLine(const TInstalledCharacter& character, bool updated) {
  return (updated ? "更新しました: " : "インストールしました: ") + character.Name + " (" +
         character.DefinitionPath + ")";
}

TInstallResult InstallPackage(const TInstallRequest& request, TCharacterList& list) {
  return Install(request, &list);
}

TInstallResult InstallPackage(const TInstallRequest& request) {
  return Install(request, nullptr);
}

}  // namespace kelmo
