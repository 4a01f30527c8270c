// The compiled patterns of LIKE, kept between evaluations.
//
// A kind 0 condition such as {LIKE{OPERATEMESSAGE}|^HELLO} is evaluated at every lookup, so a
// character with thousands of them would compile thousands of patterns per line. The cache keeps
// them compiled, keyed by the pattern as the command holds it (wide, before the digit shorthand is
// expanded), a pattern with a syntax error included: it stays one that never matches. It is
// set-associative: a pattern's text chooses a set of a few slots, and a new pattern replaces the
// slot of its set used longest ago, so the cache never holds more than kPatternCacheSets *
// kPatternCacheWays patterns, and a working set larger than that (patterns taken from the
// conversation, say) still leaves most of the others in place. Patterns longer than
// kMaxCachedPatternLength and automata beyond kMaxCachedStates are not kept. The text of the last
// test is kept in the 8-bit code page too, as the conditions of one lookup test the same line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regexp.h"

namespace kelmo {

// Sets and slots per set of the cache: at most 16,384 patterns.
inline constexpr size_t kPatternCacheSets = 4096;
inline constexpr size_t kPatternCacheWays = 4;

// Patterns longer than this (code units) or with more automaton states than this are compiled for
// each use and not kept, which bounds the cache's memory.
inline constexpr size_t kMaxCachedPatternLength = 512;
inline constexpr int kMaxCachedStates = 256;

class TPatternCache {
 public:
  // Whether pattern (wide; its digit shorthand expanded in the 8-bit code page, default options)
  // matches anywhere in text (wide, converted to the 8-bit code page); a pattern with a syntax
  // error never does. Errors other than syntax errors go on to the caller.
  bool Found(std::u16string_view pattern, std::u16string_view text);

 private:
  struct TSlot {
    std::u16string Pattern;
    std::unique_ptr<TbmRExp> Expression;  // none for a pattern with a syntax error
    uint64_t LastUse = 0;                 // 0: the slot is empty
  };

  // The first slot of the set where pattern belongs.
  TSlot* SetOf(std::u16string_view pattern);

  // text in the 8-bit code page.
  const std::string& Narrow(std::u16string_view text);

  std::vector<TSlot> slots_;  // allocated at the first use
  uint64_t uses_ = 0;
  std::u16string wideText_;  // the text of the last test, and its 8-bit form
  std::string narrowText_;
};

}  // namespace kelmo
