// What a pattern needs of a text before it can be found there: the analysis behind the
// dictionaries' prefilter.
//
// The pattern is parsed as compilation parses it (scanner, standardization, position tree, with
// the anchors settled), and every node of the tree gets two facts, bottom up: its exact language
// when that is a small finite set of strings, and a requirement that every match of the node
// meets: one of a few literal strings occurs in it, or one of its characters begins with a byte of
// a set. A concatenation keeps the more selective requirement of its parts, an alternation the
// union of both (none if either has none), a closure none. The whole pattern's facts say what a
// text must hold for the pattern to be found in it, and, for a pattern that is only a few literal
// strings, whether it is found.
//
// Literals are byte strings of whole characters in the pattern's character code, and a text holds
// one only where it begins at a character start: a character whose bytes cannot come out of
// decoding a text (a lone lead byte, a zero trail byte) is never part of a literal.
#pragma once

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

// A pattern whose language is at most this many strings of at most this many bytes is kept as
// that set (TKind::Exact). Such a pattern compiles to at most one state per prefix of its
// strings, so a pattern that parses is sure to compile.
inline constexpr size_t kMaxExactStrings = 16;
inline constexpr size_t kMaxExactLength = 256;
static_assert(kMaxExactStrings * kMaxExactLength + 1 < kMaxStates);

// Most literals of one requirement; an alternation of more falls back to their first bytes.
inline constexpr size_t kMaxRequiredLiterals = 64;

// Required literals are cut to this many bytes: a text holding a literal holds its beginning.
inline constexpr size_t kMaxRequiredLength = 32;

struct TPatternRequirement {
  enum class TKind : uint8_t {
    Broken,      // a syntax error: the pattern is never found
    Exact,       // found exactly where one of Strings begins at a character start; an empty
                 // string among them: found in every text; no strings: found in none
    Literals,    // found only where one of Strings (none empty) begins at a character start
    FirstBytes,  // found only where a character starting with a byte of Bytes begins
    None,        // nothing known: only a search can tell
  };
  TKind Kind = TKind::None;
  std::vector<std::string> Strings;
  TByteSet Bytes{};
};

// Analyses pattern (a dictionary pattern after load-time normalisation) in charCode. A pattern
// that raises EbmREToken while it is parsed is Broken: compiling it would raise the same error.
// Texts in the UTF-16 code get TKind::None unless the pattern is broken. Errors other than
// syntax errors (a character code without a reader) go on to the caller.
TPatternRequirement AnalysePattern(const std::string& pattern, uint8_t charCode);

}  // namespace kelmo
