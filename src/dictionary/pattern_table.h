// The patterns of one field of a pattern dictionary (the input patterns of kind B, either field
// of kind A): each distinct pattern text once, with its expression, the entries that use it, and
// the prefilter over them.
//
// Entries that share a pattern text share everything about it: one analysis at load, one
// compilation at its first search, and within one lookup one search. Large dictionaries repeat
// their patterns a lot (one keyword with many replies, the same digit or class pattern in many
// places), so a lookup searches each of them once. An entry is numbered with its pattern as it is
// stored (Intern), and indexed after its file has been read (Index).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charfile/load_listener.h"
#include "dictionary/entry_pattern.h"
#include "dictionary/entry_set.h"
#include "dictionary/pattern_prefilter.h"
#include "regex/hash_index.h"

namespace kelmo {

class TPatternTable {
 public:
  // The number of the pattern text (normalised) in the current default character code; a text
  // seen before keeps its number.
  int32_t Intern(std::string text);

  // Indexes entry, which uses pattern (entries are given in increasing order). The first entry of
  // a pattern has it analysed, a syntax error marking it as never found. Errors other than syntax
  // errors go on to the caller, leaving the entry out of the index.
  void Index(int entry, int32_t pattern);

  // The plain test: whether pattern is found in text, searched (compiled at its first search).
  bool FoundIn(int32_t pattern, const std::string& text);

  // The text of pattern (normalised), and what its analysis says of its compilation; an indexed
  // pattern only.
  const std::string& Text(int32_t pattern) const { return slots_[pattern].Pattern.Text(); }
  TPatternVerdict Verdict(int32_t pattern) const { return slots_[pattern].Verdict; }

  // Marks in steps the indexed entries whose pattern is found in a text. Begin empties
  // candidates and starts a lookup of text, which both must outlive the steps. MarkUpTo(limit)
  // then sets in candidates the entries of the found patterns whose first entry is below limit
  // and which no earlier step took, and returns the first entry of the next pattern that may be
  // found, kNoEntry when none is left: once a step reached a limit, every entry below it whose
  // pattern is found is set. A pattern that its clauses decide is not searched; the others are
  // searched when their step comes, once for all their entries.
  void Begin(const std::string& text, TEntrySet& candidates);
  int32_t MarkUpTo(int32_t entryLimit);

  // Forgets every pattern and entry.
  void Clear() { *this = TPatternTable(); }

 private:
  struct TSlot {
    explicit TSlot(std::string text) : Pattern(std::move(text)) {}
    TEntryPattern Pattern;
    bool Indexed = false;
    TPatternVerdict Verdict = TPatternVerdict::Unproven;
  };

  // Lays out the entries of each pattern side by side (entriesByPattern_) and gives the
  // prefilter where they are, after entries were indexed: marking then reads a pattern's entries
  // in one run instead of chasing them through a dictionary-wide array.
  void GroupEntriesByPattern();

  TbmREHashIndex index_;  // text and character code -> pattern
  std::vector<TSlot> slots_;
  std::vector<int32_t> entryPatterns_;     // per entry: its pattern, or -1 when not indexed
  std::vector<int32_t> entriesByPattern_;  // by pattern, then in increasing order
  bool grouped_ = true;                    // whether the two above hold every indexed entry
  TPatternPrefilter prefilter_;
  // The lookup Begin started.
  const std::string* text_ = nullptr;
  TEntrySet* candidates_ = nullptr;
};

}  // namespace kelmo
