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

namespace kelmo {
namespace {

bool HasCharacterExtension(const std::string& fileName) {
  return fileName.size() > kCharacterFileExtension.size() &&
         AsciiLowerCase(fileName.substr(fileName.size() - kCharacterFileExtension.size())) ==
             kCharacterFileExtension;
}

}  // namespace

TCharacterSelection::TCharacterSelection(TCharacterList& list, std::string appDir)
    : list_(list), appDir_(std::move(appDir)) {
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

}  // namespace kelmo
