#include "charfile/ini_file.h"

// Values are Shift-JIS bytes: no conversion, no validation.
#define SI_NO_CONVERSION
// The packaged header keeps the template bodies behind this switch; this is their one user.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <charconv>
#include <climits>

#include "charfile/atomic_file.h"
#include "charfile/data_path.h"
#include "charfile/text_file.h"

namespace kelmo {
namespace {

// Reads "123", "-5", "$1F" or "0x1F"; false when the text is none of these.
bool ParseInteger(std::string_view text, int& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  long long magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  const long long result = negative ? -magnitude : magnitude;
  if (result < INT_MIN || result > INT_MAX) return false;
  value = static_cast<int>(result);
  return true;
}

}  // namespace

struct TIniFile::Impl {
  std::string path;
  CSimpleIniA ini{false, false, false};
};

TIniFile::TIniFile(std::string_view dataPath) : impl_(std::make_unique<Impl>()) {
  impl_->path = std::string(dataPath);
  impl_->ini.SetSpaces(false);
  if (!DataFileExists(dataPath)) return;
  try {
    std::string content = ReadFileBytes(dataPath);
    // SimpleIni reads up to a NUL byte only; later lines are lost either way.
    content = content.substr(0, content.find('\0'));
    impl_->ini.LoadData(content.data(), content.size());
  } catch (const std::exception&) {
    // An unreadable settings file counts as an empty one; defaults apply.
  }
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const char* value =
      impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  return value == nullptr ? std::string(defaultValue) : std::string(value);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  int value = 0;
  return ParseInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                      std::string(value).c_str());
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr) !=
         nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return impl_->ini.GetSection(std::string(section).c_str()) != nullptr;
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section) const {
  CSimpleIniA::TNamesDepend keys;
  impl_->ini.GetAllKeys(std::string(section).c_str(), keys);
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> names;
  for (const auto& entry : keys) names.emplace_back(entry.pItem);
  return names;
}

void TIniFile::EraseSection(std::string_view section) {
  impl_->ini.Delete(std::string(section).c_str(), nullptr);
}

void TIniFile::UpdateFile() const {
  std::string content;
  impl_->ini.Save(content);
  std::string windowsLines;
  windowsLines.reserve(content.size() + content.size() / 16);
  for (const char c : content) {
    if (c == '\n') windowsLines += '\r';
    windowsLines += c;
  }
  WriteFileAtomically(ResolveDataPath(impl_->path), windowsLines);
}

}  // namespace kelmo
