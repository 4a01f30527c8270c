// The macro evaluator: brace groups in reply texts, dictionary conditions and the about comment
// are replaced by what their commands yield.
//
// One evaluation scans the working text once from left to right. An opening brace saves the text
// gathered so far (the accumulator, passed through the 8-bit code page on the way) and starts a
// fresh one; a closing brace runs the command the accumulator holds. A non-empty result is
// spliced into the working text in place of the group and scanned again, so results may hold
// groups of their own. A group without a result stays in the text when it stands at depth 1 or 2
// (display commands live on this way) and is removed when it is deeper. Text after an unclosed
// brace is dropped; a closing brace without an open group makes the whole evaluation empty.
//
// The working text is kept split at the scan position: the scanned part exists only as the
// accumulator and the saved texts, the rest is held after some free room, so a splice usually
// costs the length of the result and not the length of the text around it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "charfile/date_time.h"
#include "engine/stacks.h"

namespace kelmo {

class TCharacter;

// What one evaluation works in. A character keeps one from one evaluation to the next, so that
// the conditions evaluated at every lookup reuse its memory instead of allocating their own.
struct TMacroScratch {
  TLocalClock Clock;
  std::u16string Rest;         // the unscanned rest of the working text, after free room
  std::u16string Spare;        // where the rest moves when the free room runs out
  std::u16string Accumulator;  // the text gathered since the innermost open brace
  std::u16string Raw;          // the text of the group being closed
  TIntStack OpenPositions;
  TStrStack SavedTexts;
  bool InUse = false;  // an evaluation is running with it
};

// Splices one evaluation may make; the evaluation that needs one more yields the empty text. Bounds
// a result that reproduces its own group (a memo holding the group that reads it).
inline constexpr int kMaxSplices = 100000;

// Longest working text: 1 Mi (1,048,576) UTF-16 code units. An input or a splice that makes the
// working text longer ends the evaluation with the empty text. Bounds results that grow the text.
inline constexpr size_t kMaxWorkingTextLength = size_t{1} << 20;

// Total length of all results spliced in one evaluation, in UTF-16 code units; beyond it the
// evaluation yields the empty text. Bounds the rescanning work when long results keep replacing
// themselves without growing the text, which the two limits above alone would let run for minutes.
inline constexpr size_t kMaxSplicedLength = 16 * kMaxWorkingTextLength;

// Replaces text from the index on by its round trip through Shift-JIS, which turns every character
// the code page cannot represent into "?", as the text gathered before a brace goes through it.
// The round trip works character by character and a second one changes nothing, so a part that
// has made it once never needs it again; ASCII always passes unchanged. Returns whether the text
// changed.
bool PassThroughCodePage(std::u16string& text, size_t from);

// Evaluates text for character with now as the current time of every date and time command.
// Commands read and change the character's state; their failures give empty results. Raises
// nothing of its own. Uses the character's MacroScratch unless an evaluation already does.
// TCharacter::Evaluate is this with the clock's local time.
std::u16string EvaluateMacroText(TCharacter& character, std::u16string_view text, TDateTime now);

}  // namespace kelmo
