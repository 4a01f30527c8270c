// The vocabulary of the macro language: what each command word computes and changes.
//
// The evaluator calls ExecuteCommand once for every closing brace group. Recognition looks only
// at the normalised text: its first character selects a family, and within the family fixed
// comparisons are made in a fixed order. Arguments are cut at fixed character positions, from
// the normalised text (numbers, keywords) or from the raw text (texts whose letter case matters).
#pragma once

#include <string>
#include <string_view>

#include "charfile/date_time.h"

namespace kelmo {

class TCharacter;

// Runs the command of one closing group. raw is the group's text as written, command its
// normalised form (same length), bar the 1-based position of the first "|" in command (0 when
// none), now the evaluation's current time. Returns the result; the empty text means the group
// yields nothing. Failures (unreadable numbers or dates, domain errors, file errors) may raise any
// exception: the evaluator turns them into the empty result, keeping side effects made before.
std::u16string ExecuteCommand(TCharacter& character, std::u16string_view raw,
                              std::u16string_view command, int bar, TDateTime now);

}  // namespace kelmo
