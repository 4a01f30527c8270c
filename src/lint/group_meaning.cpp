// Asking the macro table, the plug-in tag form and the character's follow-ups about a brace group.
#include "lint/group_meaning.h"

#include <algorithm>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_a.h"
#include "engine/character.h"
#include "engine/macro_commands.h"

namespace kelmo {

bool NamesMacroCommand(std::u16string_view text) {
  const std::u16string command = NormalizeText(text);
  const int bar = static_cast<int>(command.find(u'|') + 1);  // npos + 1 is 0
  return RecogniseCommand(command, bar) != TCommandId::kNone;
}

bool IsPluginTag(std::u16string_view normalizedText) {
  const size_t dot = normalizedText.find(u'.');
  if (dot == 0 || dot == std::u16string_view::npos) return false;
  return std::none_of(normalizedText.begin(),
                      normalizedText.begin() + static_cast<std::ptrdiff_t>(dot),
                      [](char16_t c) { return c <= u' ' || c == u':' || c == u'|'; });
}

bool IsFollowUpMark(const TCharacter& character, const std::string& normalizedGroup) {
  return character.DataA1->LooksFor(normalizedGroup) ||
         character.DataA2->LooksFor(normalizedGroup);
}

bool NamesNothing(const TCharacter& character, std::u16string_view group) {
  // The group's own text: without its inner groups, and with kInnerGroupResult for each.
  std::u16string plain;
  std::u16string withInnerResults;
  int depth = 0;
  for (size_t i = group.starts_with(u'{') ? 1 : 0; i < group.size(); ++i) {
    const char16_t c = group[i];
    if (c == u'{') {
      if (depth++ == 0) withInnerResults += kInnerGroupResult;
    } else if (c == u'}') {
      if (--depth < 0) break;  // the group's own "}"
    } else if (depth == 0) {
      plain += c;
      withInnerResults += c;
    }
  }
  if (NamesMacroCommand(plain) || NamesMacroCommand(withInnerResults)) return false;
  if (IsPluginTag(NormalizeText(plain))) return false;
  return !IsFollowUpMark(character, Utf16ToShiftJis(NormalizeText(group)));
}

}  // namespace kelmo
