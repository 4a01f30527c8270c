// A character written for the linter's tests: one fault of every kind the linter reports, each on
// a line of its own, beside lines that are right and must stay unreported (headings, a mark that a
// kind A entry looks for, a sound that exists).
#pragma once

#include <string>
#include <vector>

#include "lint/lint_report.h"
#include "support/temp_folder.h"

namespace kelmo::testing {

// A fault the linter must report: where, which check, how bad, and a piece of its message.
struct TExpectedFinding {
  const char* File;  // relative to the program folder
  int Line;
  const char* Check;
  TLintSeverity Severity;
  const char* MessagePiece;  // UTF-8
};

// Writes the character into folder, its definition file being "broken.klc" in the folder, which
// is the program folder.
void WriteBrokenCharacter(const TempFolder& folder);

// Every finding the linter must report for the broken character, in file order.
const std::vector<TExpectedFinding>& BrokenCharacterFindings();

}  // namespace kelmo::testing
