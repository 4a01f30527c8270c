// The compiled evaluation of a condition: the evaluator's scan done over the groups of a program
// rather than over the characters of its text.
//
// The scan rescans every result it splices in. A compiled program gives no result that holds a
// brace (the analysis proves it, given that the texts the program reads hold none), so a rescan
// would only add the result to the text: the program's walk does that directly. It keeps the state
// of the scan that can show in the result: the text gathered in each open group, which passes
// through the 8-bit code page when an inner group opens; the groups that stay, at depths 1 and 2,
// when they yield nothing; the working text's length, the splices and the spliced length, whose
// limits end the evaluation with the empty text at the same splice as the scan. Each group's
// normalised text is gathered beside its raw text from normalised pieces, so nothing is normalised
// twice, and a group without inner groups runs the command recognised at compile time.
#pragma once

#include <string>
#include <vector>

#include "charfile/date_time.h"
#include "engine/condition_program.h"

namespace kelmo {

class TCharacter;

// The buffers of compiled evaluations, kept from one to the next.
struct TProgramScratch {
  struct TLevel {
    std::u16string Raw;      // the text gathered in the open group at this depth
    std::u16string Command;  // its normalised form
  };
  std::vector<TLevel> Levels;  // by depth
  std::u16string Result;
};

// Evaluates a compiled program (Compiled()) for the character, now being the evaluation's current
// time, when the texts it reads hold no brace and, if it may call tags, no plug-in can be asked.
// Gives in scratch.Result what EvaluateMacroText gives for the program's text, with the same side
// effects in the same order.
void EvaluateProgram(TCharacter& character, const TConditionProgram& program, TDateTime now,
                     TProgramScratch& scratch);

}  // namespace kelmo
