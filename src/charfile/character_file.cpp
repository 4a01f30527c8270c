#include "charfile/character_file.h"

#include "charfile/data_path.h"
#include "charfile/load_listener.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo {
TCharacterFile::TCharacterFile(std::string_view path, TLoadListener* listener) {
  if (!DataFileExists(path)) return;
  const std::vector<std::string> lines = LoadDataLines(path, listener);
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    keys_.push_back(AsciiLowerCase(lines[i]));
    values_.push_back(lines[i + 1]);
  }
  if (listener != nullptr && lines.size() % 2 != 0) {
    listener->LineIgnored(static_cast<int>(lines.size()), TIgnoredLine::UnpairedLine, {});
  }
  Folder = ResolveCharacterFolder(path, ReadValue(TDefinitionKey::Folder));
}

std::string TCharacterFile::ReadValue(std::string_view key) const {
  const std::string wanted = AsciiLowerCase(key);
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == wanted) return values_[i];
  }
  return {};
}

std::string ResolveCharacterFolder(std::string_view definitionPath, std::string_view folderValue) {
  return IncludeTrailingDelimiter(IncludeTrailingDelimiter(ExtractDirectory(definitionPath)) +
                                  std::string(folderValue));
}

bool IsValidCharacterFile(std::string_view path) {
  if (!DataFileExists(path)) return false;
  try {
    const TCharacterFile file(path);
    return !file.ReadValue(TDefinitionKey::Name).empty() ||
           !file.ReadValue(TDefinitionKey::Folder).empty();
  } catch (const std::exception&) {
    return false;  // an unreadable file is no character
  }
}

}  // namespace kelmo
