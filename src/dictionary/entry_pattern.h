// One pattern of a kind A or kind B entry: its text, and the TbmRExp that searches it once a
// lookup needs a search.
//
// Most patterns of a large dictionary are never searched: the prefilter rules them out or, for a
// pattern that is a few literal strings, decides alone. So the expression is created and compiled
// at the first search, not at load. A syntax error still makes the pattern one that is never
// found: the prefilter finds it at load (MarkBroken), compilation at the first search otherwise
// (a pattern too complex for the automaton), and the failure is remembered rather than retried.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "regex/regexp.h"

namespace kelmo {

class TEntryPattern {
 public:
  // Keeps the pattern text (already normalised) in the current default character code.
  explicit TEntryPattern(std::string pattern)
      : pattern_(std::move(pattern)), charCode_(bmccDefaultCharCode) {}

  const std::string& Text() const { return pattern_; }
  uint8_t CharCode() const { return charCode_; }

  // True when the pattern matches anywhere in text; a broken pattern is never found. Compiles at
  // the first call; a syntax error then marks the pattern broken, any other error goes on to the
  // caller.
  bool FoundIn(const std::string& text);

  // Marks the pattern as one with a syntax error.
  void MarkBroken() { broken_ = true; }

 private:
  std::string pattern_;
  std::unique_ptr<TbmRExp> expression_;  // created at the first search
  uint8_t charCode_;
  bool broken_ = false;
};

}  // namespace kelmo
