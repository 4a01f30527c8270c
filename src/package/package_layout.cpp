#include "package/package_layout.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "package/package_error.h"
#include "package/package_paths.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kDefinitionExtension = ".klc";
constexpr std::string_view kFolderKey = "folder";
constexpr std::string_view kNameKey = "name";
// The folder macOS archivers add beside the content.
constexpr std::string_view kMacResourceFolder = "__MACOSX";

bool IsDefinitionName(std::string_view name) {
  return name.size() > kDefinitionExtension.size() &&
         AsciiLowerCase(name.substr(name.size() - kDefinitionExtension.size())) ==
             kDefinitionExtension;
}

std::string FirstComponent(const std::string& name) {
  return name.substr(0, name.find('/'));
}

// Whether name lies at or below folder (both clean entry names; compared as keys).
bool IsAtOrBelow(const std::string& name, const std::string& folder) {
  const std::u16string key = EntryNameKey(name);
  const std::u16string folderKey = EntryNameKey(folder);
  return key == folderKey || (key.size() > folderKey.size() && key.starts_with(folderKey) &&
                              key[folderKey.size()] == u'/');
}

// The entries without the macOS resource folder, which is removed from disk.
std::vector<TPackageEntry> WithoutResourceForks(const std::string& folder,
                                                const std::vector<TPackageEntry>& entries) {
  std::vector<TPackageEntry> kept;
  for (const TPackageEntry& entry : entries) {
    if (FirstComponent(entry.Name) == kMacResourceFolder) continue;
    kept.push_back(entry);
  }
  if (kept.size() != entries.size()) {
    std::error_code ignored;
    fs::remove_all(fs::path(folder) / kMacResourceFolder, ignored);
  }
  return kept;
}

// The entries' names relative to the top, and the top's name ("" for the package's own top).
std::string FindTop(const std::vector<TPackageEntry>& entries) {
  for (const TPackageEntry& entry : entries) {
    if (!entry.IsFolder && entry.Name.find('/') == std::string::npos &&
        IsDefinitionName(entry.Name)) {
      return "";
    }
  }
  if (entries.empty()) throw EPackageError(TPackageCode::NoDefinition, "");
  const std::string top = FirstComponent(entries.front().Name);
  for (const TPackageEntry& entry : entries) {
    if (FirstComponent(entry.Name) != top) throw EPackageError(TPackageCode::NoDefinition, "");
  }
  return top;
}

// The character folder a definition file's "folder" names, relative to the top, or raises
// NoCharacterFolder.
std::string CharacterFolder(const std::string& topPath, const std::string& definitionFile,
                            const std::string& folderValue) {
  std::string clean;
  try {
    clean = CleanEntryName(ToFileSystemPath(folderValue));
  } catch (const EPackageError&) {
    throw EPackageError(TPackageCode::NoCharacterFolder, definitionFile);
  }
  if (IsReservedFolder(FirstComponent(clean))) {
    throw EPackageError(TPackageCode::NoCharacterFolder, definitionFile);
  }
  // The folder as the package spells it (data paths match without regard to letter case).
  const std::string resolved = ResolveDataPath(FromFileSystemPath(topPath + "/" + clean));
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(resolved, error))) {
    throw EPackageError(TPackageCode::NoCharacterFolder, definitionFile);
  }
  return fs::path(resolved).lexically_relative(topPath).generic_string();
}

void CheckLoads(const std::string& topPath, const std::string& definitionFile) {
  TCharacterEnvironment environment;
  // The package's top stands in for the program folder: the character may use nothing outside.
  environment.Plugins.ProgramFolder = IncludeTrailingDelimiter(FromFileSystemPath(topPath));
  environment.KeepsStateFile = false;
  try {
    const TCharacter character(FromFileSystemPath(topPath + "/" + definitionFile), environment);
  } catch (const std::exception&) {
    throw EPackageError(TPackageCode::DefinitionDoesNotLoad, definitionFile);
  }
}

}  // namespace

TPackageLayout ExamineLayout(const std::string& folder, const std::vector<TPackageEntry>& all) {
  const std::vector<TPackageEntry> entries = WithoutResourceForks(folder, all);
  const std::string top = FindTop(entries);
  TPackageLayout layout;
  layout.Top = top.empty() ? folder : folder + "/" + top;
  const auto relative = [&](const std::string& name) {
    return top.empty() ? name : name.substr(std::min(name.size(), top.size() + 1));
  };

  for (const TPackageEntry& entry : entries) {
    const std::string name = relative(entry.Name);
    if (entry.IsFolder || name.find('/') != std::string::npos || !IsDefinitionName(name)) continue;
    const std::string dataPath = FromFileSystemPath(layout.Top + "/" + name);
    if (!IsValidCharacterFile(dataPath)) {
      throw EPackageError(TPackageCode::DefinitionDoesNotLoad, name);
    }
    const TCharacterFile definition(dataPath);
    TPackagedCharacter character;
    character.DefinitionFile = name;
    character.Name = ShiftJisToUtf8(definition.ReadValue(kNameKey));
    character.FolderValue = definition.ReadValue(kFolderKey);
    character.Folder = CharacterFolder(layout.Top, name, character.FolderValue);
    CheckLoads(layout.Top, name);
    for (const TPackagedCharacter& other : layout.Characters) {
      const bool same = EntryNameKey(other.Folder) == EntryNameKey(character.Folder);
      if (!same && (IsAtOrBelow(other.Folder, character.Folder) ||
                    IsAtOrBelow(character.Folder, other.Folder))) {
        throw EPackageError(TPackageCode::FolderConflict, name);
      }
    }
    layout.Characters.push_back(std::move(character));
  }
  if (layout.Characters.empty()) throw EPackageError(TPackageCode::NoDefinition, "");

  for (const TPackageEntry& entry : entries) {
    const std::string name = relative(entry.Name);
    if (entry.IsFolder || name.empty()) continue;
    if (name.find('/') == std::string::npos && IsDefinitionName(name)) continue;
    const bool inFolder = std::any_of(
        layout.Characters.begin(), layout.Characters.end(),
        [&](const TPackagedCharacter& character) { return IsAtOrBelow(name, character.Folder); });
    if (!inFolder) layout.Extras.push_back(name);
  }
  return layout;
}

void KeepExtrasBesideCharacter(const TPackageLayout& layout) {
  const fs::path folder = fs::path(layout.Top) / layout.Characters.front().Folder;
  for (const std::string& extra : layout.Extras) {
    const fs::path target = folder / extra;
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error))) {
      throw EPackageError(TPackageCode::ExtraFileConflict, extra);
    }
    fs::create_directories(target.parent_path(), error);
    if (!error) fs::rename(fs::path(layout.Top) / extra, target, error);
    if (error) throw EPackageError(WriteFailureCode(error.value()), extra);
  }
}

}  // namespace kelmo
