#include "bundled_character.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/crypt.h"
#include "charfile/date_time.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo::testing {

std::string ProgramFolder() {
  return std::string(KELMO_PROGRAM_DIR) + "/";
}

std::string CharacterFolder(const std::string& id) {
  return ProgramFolder() + "characters/" + id + "/";
}

namespace {

// Minimum number of fields of an entry line per kind (kind C is never split).
size_t FieldsOfKind(char kind) {
  return kind == 'A' ? 3 : 2;
}

bool IsMarker(const std::string& field, std::string_view marker) {
  return NormalizeShiftJis(field) == marker;
}

// The entries of one dictionary file, read as the dictionary of that kind reads it.
void AppendEntries(const std::string& folder, const std::string& file, char kind,
                   std::vector<TDictionaryLine>& entries) {
  std::vector<std::string> lines = LoadLines(folder + file);
  UnscrambleIfNeeded(lines);
  for (size_t i = 0; i < lines.size(); ++i) {
    TDictionaryLine entry{file, int(i) + 1, kind, {}};
    if (kind == 'C') {
      if (IsMarker(lines[i], "{ENDOFDATA}")) return;
      if (IsMarker(lines[i], "{PRIOR}")) continue;
      entry.Fields = {lines[i]};
    } else {
      entry.Fields = SplitCommaText(lines[i]);
      if (entry.Fields.size() < FieldsOfKind(kind)) continue;
      if (IsMarker(entry.Fields[0], "{ENDOFDATA}")) return;
      if (IsMarker(entry.Fields[0], "{PRIOR}")) continue;
    }
    entries.push_back(std::move(entry));
  }
}

}  // namespace

std::vector<TDictionaryLine> DictionaryEntries(const std::string& id) {
  const TCharacterFile definition(ProgramFolder() + id + ".klc");
  std::vector<TDictionaryLine> entries;
  for (const TDictionaryKey& key : kDictionaryKeys) {
    for (const std::string& file : SplitCommaText(definition.ReadValue(key.Key))) {
      AppendEntries(CharacterFolder(id), file, key.Kind, entries);
    }
  }
  return entries;
}

const std::string& ReplyOf(const TDictionaryLine& line) {
  return line.Fields[line.Kind == 'C' ? 0 : FieldsOfKind(line.Kind) - 1];
}

std::vector<std::pair<std::string, std::string>> PettingActions(const std::string& id) {
  const TCharacterFile definition(ProgramFolder() + id + ".klc");
  std::vector<std::pair<std::string, std::string>> actions;
  for (const std::string& file : SplitCommaText(definition.ReadValue("datanadenade"))) {
    for (const std::string& line : LoadLines(CharacterFolder(id) + file)) {
      const std::vector<std::string> fields = SplitCommaText(line);
      if (fields.size() >= 2) actions.emplace_back(fields[0], fields[1]);
    }
  }
  return actions;
}

TBundledCopy::TBundledCopy() {
  namespace fs = std::filesystem;
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    const std::string id = bundled.Id;
    fs::copy_file(ProgramFolder() + id + ".klc", folder_.Path() + id + ".klc");
    fs::create_directories(folder_.Path() + "characters");
    fs::copy(CharacterFolder(id), folder_.Path() + "characters/" + id, fs::copy_options::recursive);
  }
}

std::string TBundledCopy::DefinitionPath(const std::string& id) const {
  return folder_.Path() + id + ".klc";
}

std::unique_ptr<TCharacter> TBundledCopy::Load(const std::string& id,
                                               const TUserProfile& profile) const {
  TCharacterEnvironment environment;
  environment.Plugins.ProgramFolder = folder_.Path();
  auto character = std::make_unique<TCharacter>(DefinitionPath(id), environment);
  character->SetUserProfile(profile);
  return character;
}

TUserProfile SampleProfile() {
  TUserProfile profile;
  profile.Surname = Sjis("灯野");
  profile.GivenName = Sjis("ゆう");
  profile.HandleName = Sjis("ゆうゆう");
  profile.Nickname = Sjis("ユウ");
  TDateTimeParts birthday{};
  birthday.Year = 2000;
  birthday.Month = 4;
  birthday.Day = 12;
  EXPECT_TRUE(TryEncodeDateTime(birthday, profile.Birthday));
  return profile;
}

std::string Answer(TCharacter& character, std::string_view utf8Line, uint8_t mask) {
  const std::u16string reply = character.SelectReply(Utf8ToUtf16(utf8Line), mask);
  return Utf16ToUtf8(character.Evaluate(reply));
}

std::string Shown(std::string_view utf8Reply) {
  return Utf16ToUtf8(StripBraces(Utf8ToUtf16(utf8Reply)));
}

std::string Sjis(std::string_view utf8) {
  return Utf8ToShiftJis(utf8);
}

std::string Utf8(std::string_view shiftJis) {
  return ShiftJisToUtf8(shiftJis);
}

}  // namespace kelmo::testing
