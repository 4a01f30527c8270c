// Access to the characters shipped with the program, as the build lays them out beside the
// executable: "<id>.klc" in the program folder and the character's files in "characters/<id>/".
//
// The data tests read that layout directly. The conversation tests need a copy, because loading a
// character writes its state file into its folder; `TBundledCopy` makes one in a temporary folder
// and loads characters from it as the program would.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/character.h"
#include "engine/user_profile.h"
#include "support/temp_folder.h"

namespace kelmo::testing {

// What the tests know about each bundled character.
struct TBundledCharacter {
  const char* Id;      // names "<Id>.klc" and the folder "characters/<Id>/"
  int MinimumEntries;  // entries over the eight dictionaries the character must at least have
};

inline constexpr TBundledCharacter kBundledCharacters[] = {{"akari", 400}, {"mugi", 120}};

// The folder the build copies the characters into (the program folder), ending in "/".
std::string ProgramFolder();

// One line of a dictionary file, split the way its kind is read.
struct TDictionaryLine {
  std::string File;                 // file name within the character folder
  int Number = 0;                   // 1-based line number in the unscrambled file
  char Kind = '0';                  // '0', 'A', 'B' or 'C'
  std::vector<std::string> Fields;  // Shift-JIS; kind C: the whole line as one field
};

// The definition-file keys of the eight dictionaries and the kind each holds.
struct TDictionaryKey {
  const char* Key;
  char Kind;
};
inline constexpr TDictionaryKey kDictionaryKeys[] = {
    {"data01", '0'}, {"data02", '0'}, {"dataa1", 'A'}, {"dataa2", 'A'},
    {"datab1", 'B'}, {"datab2", 'B'}, {"datac1", 'C'}, {"datac2", 'C'}};

// Every line of every dictionary file the character lists that the program reads as an entry
// (separators and lines with too few fields left out), unscrambled.
std::vector<TDictionaryLine> DictionaryEntries(const std::string& id);

// The reply field of an entry (the last field its kind uses).
const std::string& ReplyOf(const TDictionaryLine& line);

// The character folder of a bundled character in the program folder, ending in "/".
std::string CharacterFolder(const std::string& id);

// The petting actions (label, text) of a bundled character, in file order.
std::vector<std::pair<std::string, std::string>> PettingActions(const std::string& id);

// A copy of the program folder's characters in a temporary folder.
class TBundledCopy {
 public:
  TBundledCopy();

  // The definition file of a bundled character within the copy.
  std::string DefinitionPath(const std::string& id) const;

  // Loads a bundled character from the copy with the given profile (as the main window does).
  std::unique_ptr<TCharacter> Load(const std::string& id, const TUserProfile& profile) const;

  std::string Path() const { return folder_.Path(); }

 private:
  TempFolder folder_;
};

// A profile such as the settings dialog makes: every name filled in.
TUserProfile SampleProfile();

// The character's answer to a line, as the window would type it: selected under the mask and
// evaluated, in UTF-8.
std::string Answer(TCharacter& character, std::string_view utf8Line, uint8_t mask = DictMaskAll);

// The text a reply shows: every brace group (display command) removed.
std::string Shown(std::string_view utf8Reply);

// UTF-8 text as Shift-JIS bytes, and back.
std::string Sjis(std::string_view utf8);
std::string Utf8(std::string_view shiftJis);

}  // namespace kelmo::testing
