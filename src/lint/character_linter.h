// The linter for character authors: loads a character exactly as the program would and reports
// what its files say that the program will not do.
//
// The character is loaded by TCharacter itself, with a listener on each dictionary (their lines,
// entries and patterns, dictionary_lint.h), on the definition file (definition_lint.h) and on the
// petting menu's files, and without its state file, which stays untouched. What only the loaded
// character can judge comes after: whether a brace group that names no command is a mark its kind
// A follow-ups look for, whether the pictures and sounds the definition file and the replies name
// exist, and whether each picture decodes through the same decoders the window uses.
#pragma once

#include <ostream>
#include <string>

#include "lint/lint_report.h"

namespace kelmo {

struct TLintOptions {
  std::string AppDir;     // the program folder (UTF-8 file-system path)
  std::string Character;  // the definition file (UTF-8 file-system path)
};

// Lints the character; never raises for anything its files hold (a character that cannot be
// loaded is a finding).
TLintReport LintCharacter(const TLintOptions& options);

// Lints the character and writes the report to out, as text or with json as JSON Lines (see
// lint_report.h). Returns the report's exit status: 0 clean, 1 warnings, 2 errors.
int RunLint(const TLintOptions& options, bool json, std::ostream& out);

}  // namespace kelmo
