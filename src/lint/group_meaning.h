// What a brace group that no display command takes may still be, told by the program's own
// recognisers: shared by the linter, which checks the groups of every macro text, and by the batch
// report, which lists only the groups of a typed reply that are really unknown.
//
// Such a group is no mistake when it names a macro command (one that gives no result, such as a
// memo, flag or counter command, stays in the reply and vanishes while it is typed), when it is a
// plug-in tag (a name, a ".", the text for the plug-in), or when it is a mark that the character's
// kind A entries look for in the previous reply (a question marker such as {Q:NOMIMONO}). An inner
// group counts as a result the outer command can take: the macro table is asked with each inner
// group read as "TRUE" (what a condition word of IF must be) and with it left out, and the group
// names a command when either reading does.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

class TCharacter;

// What an inner group stands for when the outer group is asked what it names.
inline constexpr std::u16string_view kInnerGroupResult = u"TRUE";

// Whether a group's own text (between its braces; as written or normalised) names a macro
// command.
bool NamesMacroCommand(std::u16string_view text);

// Whether a group's own text, normalised, is a plug-in tag: a name, a ".", the rest. A name holds
// no blank, ":" or "|", so that "{PCI:egao.bmp}" is no tag but a misspelt picture command.
bool IsPluginTag(std::u16string_view normalizedText);

// Whether a kind A entry of character looks for the group (braces included, normalised,
// Shift-JIS) in the previous reply (TKelmoDataA::LooksFor of either kind A dictionary).
bool IsFollowUpMark(const TCharacter& character, const std::string& normalizedGroup);

// Whether a group that no display command took names nothing at all: no macro command, no plug-in
// tag, no mark of character's. group is as the typed output consumed it: braces included, inner
// groups with their braces, an unclosed group without its "}".
bool NamesNothing(const TCharacter& character, std::u16string_view group);

}  // namespace kelmo
