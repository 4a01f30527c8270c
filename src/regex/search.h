// The leftmost-longest search of an automaton in a text.
//
// The match sought is the one with the leftmost start; among the matches from that start, the
// longest. Conceptually an attempt runs the automaton from every character position in turn,
// plus, at the start of a line, a second thread from the state after the line-head anchor.
// The search runs all attempts side by side instead, decoding each character once: a thread is
// (state, start), kept in order of start. Two threads in one state at one position have the same
// future, so only the one with the earlier start is kept; this bounds the threads by the number
// of states and makes the search linear in the text for a fixed automaton. Once a match has
// been seen no new attempts begin, and only threads that started no later than it go on.
// While no thread is alive, characters that cannot begin a match are skipped by their first byte.
//
// Line rules: a line head is the start of the text (when the search starts there), the position
// after LF, and after a CR that is not followed by LF. A line tail is before LF, before CR and at
// the end of the text, and the line break is not part of the match.
#pragma once

#include <cstdint>
#include <string_view>

#include "regex/automaton.h"

namespace kelmo {

// A match: byte offset and byte length; Offset is -1 when there is none.
struct TbmREMatch {
  int Offset = -1;
  int Length = 0;
};

// Searches `text`, in the encoding `charCode`, for the leftmost-longest match of `table`,
// trying the start positions from byte offset `start` on, the end of the text included. A start
// below 0 or beyond the text, or a text longer than the int range, gives no match. Positions
// never lie beyond the text: a lead byte in the last position is one character ending there.
TbmREMatch SearchDFA(const TbmREDFATable& table, std::string_view text, int start,
                     uint8_t charCode);

// Whether SearchDFA from offset 0 finds a match: the same search, ended at the first match seen
// instead of going on for the leftmost-longest one.
bool ContainsMatch(const TbmREDFATable& table, std::string_view text, uint8_t charCode);

}  // namespace kelmo
