// Whether a dictionary pattern is found in every line a user can say: the test behind the
// linter's warning about kind A follow-ups that take any line, and so every line that a keyword
// of kind B was written for.
//
// What the user says reaches the dictionaries as one line that is never empty (an empty line is
// sent as "{NothingSaid}") and holds no line break. The pattern is found in every such line when
// its search, run over any text, cannot reach the end of a text without having found a match.
// That is decided on the pattern's own automaton: the search's threads at a position are a set of
// automaton states (one begun at every position, and at the start one after the line-head anchor
// too), and the sets reachable from the start are explored over classes of characters on which
// every state of the set moves alike. A set that holds an accepting state has found a match on
// every text going through it; the pattern is a catch-all when every other reachable set holds a
// state that accepts at the end of the line. Most patterns need a literal string, which the
// dictionaries' own analysis (pattern_requirement.h) tells without building the automaton. So `.*`, `.`, `^`, `$`, `^.*$`, `(a|)` and `.+` are
// found everywhere, while `^$`, `a*b` and `[^a]` are not. The answer is sound: a pattern is
// called a catch-all only when it is one; one whose exploration outgrows kMaxSearchSets is not.
#pragma once

#include <string>

namespace kelmo {

// Sets of states explored before a pattern is given up on (and taken for no catch-all).
inline constexpr int kMaxSearchSets = 4096;

// Whether pattern (a dictionary pattern after load-time normalisation, in the default character
// code) is found in every line of at least one character without a line break. A pattern that
// does not compile is found in none.
bool FoundInEveryLine(const std::string& pattern);

}  // namespace kelmo
