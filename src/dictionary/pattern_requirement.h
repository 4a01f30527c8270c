// What a pattern needs of a text before it can be found there: the analysis behind the
// dictionaries' prefilter.
//
// The pattern is parsed as compilation parses it (scanner, standardization, position tree, with
// the anchors settled), and every node of the tree gets two facts, bottom up: its exact language
// when that is a small finite set of strings, and a few clauses that every match of the node
// meets, each clause being "one of these literal strings occurs" or "a character begins with a
// byte of this set". A concatenation keeps the strongest clauses of both parts, an alternation
// joins the clauses of its two sides pairwise (none if either side has none), a closure has none.
// The whole pattern's facts say what a text must hold for the pattern to be found in it, and, for
// a pattern that is only a few literal strings, whether it is found. A pattern whose matches all
// begin at a line head also says which bytes the character there may begin with, read from the
// positions that can follow its "^".
//
// Literals are byte strings of whole characters in the pattern's character code, and a text holds
// one only where it begins at a character start: a character whose bytes cannot come out of
// decoding a text (a lone lead byte, a zero trail byte) is never part of a literal.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "regex/automaton.h"

namespace kelmo {

// A set of byte values.
using TByteSet = std::array<uint64_t, 4>;

inline bool TestByte(const TByteSet& set, uint8_t byte) {
  return (set[byte / 64] >> (byte % 64)) & 1;
}

inline void AddByte(TByteSet& set, uint8_t byte) {
  set[byte / 64] |= uint64_t{1} << (byte % 64);
}

// Whether the two sets have a byte in common.
inline bool Shares(const TByteSet& a, const TByteSet& b) {
  bool shared = false;
  for (size_t word = 0; word < a.size(); ++word) shared |= (a[word] & b[word]) != 0;
  return shared;
}

// Adds the bytes first to last (first <= last) to set.
inline void AddBytes(TByteSet& set, uint8_t first, uint8_t last) {
  for (int word = first / 64; word <= last / 64; ++word) {
    const int low = std::max<int>(first, word * 64) % 64;
    const int high = std::min<int>(last, word * 64 + 63) % 64;
    set[word] |= (~uint64_t{0} >> (63 - high)) & (~uint64_t{0} << low);
  }
}

// A pattern whose language is at most this many strings of at most this many bytes is kept as
// that set (TKind::Exact). Such a pattern compiles to at most one state per prefix of its
// strings, so a pattern that parses is sure to compile.
inline constexpr size_t kMaxExactStrings = 16;
inline constexpr size_t kMaxExactLength = 256;
static_assert(kMaxExactStrings * kMaxExactLength + 1 < kMaxStates);

// Most literals of one clause; an alternation of more falls back to their first bytes.
inline constexpr size_t kMaxRequiredLiterals = 64;

// Required literals are cut to this many bytes: a text holding a literal holds its beginning.
inline constexpr size_t kMaxRequiredLength = 32;

// Most clauses kept for one pattern, the strongest.
inline constexpr size_t kMaxClauses = 3;

// A pattern whose positions have at most this many distinct follow sets is sure to compile: every
// state of its automaton but the start is a union of follow sets, so it has at most 2 to this
// power states.
inline constexpr int kMaxFollowSetsSureToCompile = 13;
static_assert((1 << kMaxFollowSetsSureToCompile) <= kMaxStates);

// A condition every match of a pattern meets.
struct TRequirementClause {
  enum class TKind : uint8_t {
    Literals,    // one of Strings (none empty) begins at a character start; no strings: never
    FirstBytes,  // a character starting with a byte of Bytes begins somewhere
  };
  TKind Kind = TKind::Literals;
  std::vector<std::string> Strings;
  TByteSet Bytes{};
  bool operator==(const TRequirementClause&) const = default;
};

struct TPatternRequirement {
  enum class TKind : uint8_t {
    Broken,    // a syntax error: the pattern is never found
    Exact,     // found exactly where one of Strings begins at a character start; an empty string
               // among them: found in every text; no strings: found in none
    Anchored,  // found exactly where Strings[0] (not empty) begins at a line head when
               // AtLineHead, ends at a line tail when AtLineTail (one of them at least), and
               // begins at a character start
    Clauses,   // found only where every clause holds, the strongest first; no clauses: nothing
               // is known, only a search can tell
  };
  TKind Kind = TKind::Clauses;
  std::vector<std::string> Strings;
  std::vector<TRequirementClause> Clauses;
  bool AtLineHead = false;
  bool AtLineTail = false;
  // Clauses only: every match begins at a line head, with a character whose first byte is in
  // LineHeadBytes (a pattern such as "^[0-9]+$").
  bool HasLineHeadBytes = false;
  TByteSet LineHeadBytes{};
  // Whether compiling the pattern cannot fail: it is Exact, Anchored to a text of at most
  // kMaxExactLength bytes, or of at most kMaxFollowSetsSureToCompile follow sets. Otherwise only
  // compiling tells whether its automaton stays within kMaxStates.
  bool SureToCompile = false;
};

// Analyses pattern (a dictionary pattern after load-time normalisation) in charCode. A pattern
// that raises EbmREToken while it is parsed is Broken: compiling it would raise the same error.
// Patterns in the UTF-16 code get no clauses unless they are broken. Errors other than
// syntax errors (a character code without a reader) go on to the caller.
TPatternRequirement AnalysePattern(const std::string& pattern, uint8_t charCode);

}  // namespace kelmo
