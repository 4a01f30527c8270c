// One pattern of a kind A or kind B entry: a TbmRExp of its own plus what its compilation taught.
//
// A pattern is compiled once, right after the file holding it has been read, by a search in the
// empty text. A pattern with a syntax error would raise again and retry its compilation at every
// search; remembering the failure instead keeps lookups to automaton runs while giving the same
// answer: such a pattern is never found.
#pragma once

#include <string>

#include "regex/regexp.h"

namespace kelmo {

class TEntryPattern {
 public:
  // Sets the pattern text (already normalised); not compiled yet.
  explicit TEntryPattern(const std::string& pattern) { expression_.SetPattern(pattern); }

  // Compiles ahead of the first search. A syntax error (EbmREToken) marks the pattern broken;
  // any other error goes on to the caller.
  void Compile() { FoundIn(std::string()); }

  // True when the pattern matches anywhere in text; a broken pattern is never found. A syntax
  // error marks the pattern broken; any other error goes on to the caller.
  bool FoundIn(const std::string& text);

  // True once the pattern raised a syntax error.
  bool Broken() const { return broken_; }

 private:
  TbmRExp expression_;
  bool broken_ = false;
};

}  // namespace kelmo
