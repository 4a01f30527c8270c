#include "charfile/character_list.h"

#include "charfile/character_file.h"
#include "charfile/ini_file.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

std::string KeyForPosition(size_t position) {
  return std::string(kCharacterKeyPrefix) + std::to_string(position);
}

}  // namespace

TCharacterList::TCharacterList(std::string settingsPath) : settingsPath_(std::move(settingsPath)) {
  const TIniFile settings(settingsPath_);
  for (size_t n = 1; settings.ValueExists(kCharacterSection, KeyForPosition(n)); ++n) {
    std::string path = settings.ReadString(kCharacterSection, KeyForPosition(n), "");
    if (IsValidCharacterFile(path)) Items.push_back(std::move(path));
  }
}

TCharacterList::~TCharacterList() {
  try {
    Save();
  } catch (const std::exception&) {
    // The list is lost for this run only; the old file stays whole (written atomically).
  }
}

void TCharacterList::AddCharacter(std::string_view path) {
  const std::string wanted = AsciiUpperCase(path);
  for (const std::string& item : Items) {
    if (AsciiUpperCase(item) == wanted) return;
  }
  Items.emplace_back(path);
}

void TCharacterList::Save() const {
  TIniFile settings(settingsPath_);
  settings.EraseSection(kCharacterSection);
  for (size_t position = 1; position <= Items.size(); ++position) {
    settings.WriteString(kCharacterSection, KeyForPosition(position), Items[position - 1]);
  }
  settings.UpdateFile();
}

}  // namespace kelmo
