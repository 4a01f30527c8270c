// The character selection's rows and buttons over the character list.
#include "shell/character_selection.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"
#include "package/package_paths.h"

namespace kelmo {
namespace {

bool HasCharacterExtension(const std::string& fileName) {
  return fileName.size() > kCharacterFileExtension.size() &&
         AsciiLowerCase(fileName.substr(fileName.size() - kCharacterFileExtension.size())) ==
             kCharacterFileExtension;
}

// One spelling of the file a data path names, so that the list's and an install's paths compare.
std::filesystem::path SamePathKey(const std::string& dataPath) {
  return NormalPath(ResolveDataPath(dataPath));
}

}  // namespace

TCharacterSelection::TCharacterSelection(TCharacterList& list, std::string appDir,
                                         TSelectionPackageActions actions)
    : list_(list), appDir_(std::move(appDir)), actions_(std::move(actions)) {
  ScanProgramFolder();
  FillFromCharacterList();
}

void TCharacterSelection::ScanProgramFolder() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(ResolveDataPath(appDir_), error)) {
    std::error_code ignored;
    if (!entry.is_regular_file(ignored)) continue;
    const std::string name = entry.path().filename().string();
    if (HasCharacterExtension(name)) names.push_back(name);
  }
  // Directory order differs between file systems; name order makes the list the same everywhere.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = appDir_ + FromFileSystemPath(name);
    if (IsValidCharacterFile(path)) list_.AddCharacter(path);
  }
}

void TCharacterSelection::FillFromCharacterList() {
  for (const std::string& path : list_.Items) AddRow(path);
}

bool TCharacterSelection::AddRow(const std::string& dataPath) {
  if (!IsValidCharacterFile(dataPath)) return false;
  std::string name;
  try {
    name = TCharacterFile(dataPath).ReadValue(TDefinitionKey::Name);
  } catch (const std::exception&) {
    return false;  // became unreadable since the test above
  }
  rows_.push_back({ShiftJisToUtf8(name), ShiftJisToUtf8(dataPath)});
  rowPaths_.push_back(dataPath);
  return true;
}

std::string TCharacterSelection::AddFile(std::string_view fileSystemPath) {
  if (AddRow(FromFileSystemPath(fileSystemPath))) return {};
  return std::string(kInvalidFileMessage);
}

void TCharacterSelection::DeleteRow(int index) {
  if (index < 0 || static_cast<size_t>(index) >= rows_.size()) return;
  rows_.erase(rows_.begin() + index);
  rowPaths_.erase(rowPaths_.begin() + index);
}

std::string TCharacterSelection::Confirm(int index) {
  if (index < 0 || static_cast<size_t>(index) >= rows_.size()) {
    return std::string(kSelectCharacterMessage);
  }
  selectedPath_ = rowPaths_[static_cast<size_t>(index)];
  DeleteRow(index);
  list_.Items.clear();
  list_.AddCharacter(selectedPath_);
  for (const std::string& path : rowPaths_) list_.AddCharacter(path);
  return {};
}

int TCharacterSelection::RowOf(const std::string& dataPath) const {
  const std::filesystem::path wanted = SamePathKey(dataPath);
  for (size_t i = 0; i < rowPaths_.size(); ++i) {
    if (SamePathKey(rowPaths_[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

bool TCharacterSelection::AddPackage(const std::string& fileSystemPath) {
  if (!HandlesPackages()) return false;
  const TPackageAdded added = actions_.Install(fileSystemPath);
  for (const std::string& path : added.Installed) {
    if (RowOf(path) < 0) AddRow(path);
  }
  if (added.SwitchTo.empty()) return false;
  const int row = RowOf(added.SwitchTo);
  return row >= 0 && Confirm(row).empty();
}

bool TCharacterSelection::CanRemoveRow(int index) const {
  if (!HandlesPackages() || index < 0 || static_cast<size_t>(index) >= rows_.size()) return false;
  return actions_.RunningPath.empty() ||
         SamePathKey(rowPaths_[static_cast<size_t>(index)]) != SamePathKey(actions_.RunningPath);
}

bool TCharacterSelection::RemoveRow(int index) {
  if (!CanRemoveRow(index) || !actions_.Remove(rowPaths_[static_cast<size_t>(index)])) return false;
  DeleteRow(index);
  return true;
}

}  // namespace kelmo
