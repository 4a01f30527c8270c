// Checks of one macro text (a reply, a kind 0 condition, the about comment) as the evaluator and
// the typed output will read it, without running it.
//
// Braces decide what a macro text means: a "}" that closes no group makes the whole evaluation
// empty, and a "{" that is never closed drops the text from there on. Every closed group is asked
// what it names, with the program's own recognisers: the macro commands' table
// (RecogniseCommand), the display commands' table (RecogniseDisplayCommand) and the plug-in tag
// form (a word, a ".", the rest). A group whose text begins with an inner group is named only when
// it runs, so it is left alone. An inner group counts as a result the outer command can take: the
// macro table is asked with each inner group read as "TRUE" (which is what a condition word of IF
// must be) and with it left out, and a group is named when either reading names a command.
//
// A group that names nothing is not reported here: in a reply it may be a mark that the
// character's kind A entries look for in the previous reply, which only the loaded character can
// tell, so it is handed back to the caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lint/lint_report.h"

namespace kelmo {

// Where a macro text stands, which decides what its groups may name.
enum class TMacroTextPlace : uint8_t {
  Reply,      // evaluated, then typed: macro commands, display commands, plug-in tags, marks
  Condition,  // evaluated into a truth: macro commands and plug-in tags; one group, or True
  About,      // the about comment, evaluated and stripped of groups: as a reply, without marks
};

// A problem of the text itself.
struct TMacroTextProblem {
  TLintSeverity Severity = TLintSeverity::Warning;
  std::string Check;
  std::string Message;  // UTF-8, naming the character column in the text
};

// A group that names no command.
struct TNamelessGroup {
  std::string Message;     // what to report when it is no mark either (UTF-8)
  std::string Normalized;  // the group, braces included, normalised (Shift-JIS); empty unless
                           // MayBeMark
  // It stands in a reply, where follow-ups may look for it; a group holding inner groups only
  // when it is short (a deep nest is no mark, and asking about each level would cost its square).
  bool MayBeMark = false;
};

// A file that a display command names with an argument written out (no inner group).
struct TNamedFile {
  enum class TKind : uint8_t { Picture, Sound };
  TKind Kind = TKind::Picture;
  std::string Name;     // as written, relative to the character folder (Shift-JIS)
  std::string Command;  // the group as written, for messages (UTF-8)
};

struct TMacroTextCheck {
  std::vector<TMacroTextProblem> Problems;
  std::vector<TNamelessGroup> NamelessGroups;
  std::vector<TNamedFile> Files;
};

// Checks text (Shift-JIS, as written) standing at place, in time and memory linear in its length
// however deeply its groups nest.
TMacroTextCheck CheckMacroText(std::string_view text, TMacroTextPlace place);

}  // namespace kelmo
