// The index of the gates of one kind 0 dictionary: from the texts of a lookup, the entries whose
// gate passes, found without visiting the others.
//
// Equality tests sit in one hash table per view, from the constant to the entries that test for
// it; pattern tests in one pattern table per view (pattern_table.h), the prefilter of kind B,
// which marks the entries whose pattern is found as the lookup reaches them, group by group. An
// entry may have several tests (its gate passes when one does), but at most one pattern test per
// view, the one its view's table holds for it. A gate without tests stands for its program's
// value, asked once per lookup when the lookup reaches the program's first entry.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dictionary/condition_programs.h"
#include "dictionary/entry_set.h"
#include "dictionary/pattern_table.h"

namespace kelmo {

class TConditionIndex {
 public:
  // Indexes the gate of the stored entry (entries are given in increasing order). Returns false,
  // leaving the entry out, when the gate has two pattern tests on one view or a pattern that the
  // prefilter cannot take; the entry must then be evaluated at every lookup.
  bool Add(int entry, const TConditionGate& gate, int32_t program);

  // Makes room for the tests of count more entries.
  void Reserve(int count);

  // Starts a lookup over storedCount entries: marks the entries of the equality tests that pass
  // on the usable views of state, and starts the pattern tables of those views, which keep
  // pointing at state's texts until the next Begin.
  void Begin(const TLookupState& state, int storedCount);

  // Marks the entries below limit whose pattern test passes, or whose gate without tests passes:
  // valueOf(program) tells whether it does.
  template <class TValueOf>
  void MarkUpTo(int limit, TValueOf&& valueOf);

  // Whether the gate of the entry passed; for a pattern test, only entries below the limit of a
  // MarkUpTo since Begin are known.
  bool Passed(int entry) const;

  // The smallest entry from `from` on whose gate is known to have passed; kNoEntry when none.
  int NextPassed(int from) const;

  // Forgets every entry.
  void Clear() { *this = TConditionIndex(); }

 private:
  struct TPatternView {
    TPatternTable Table;
    TEntrySet Passed;
    int EntryLimit = 0;  // entries the table holds lie below it
  };

  // A gate without tests: the program, and the entries that have it.
  struct TValueGate {
    int32_t Program = 0;
    std::vector<int32_t> Entries;
  };

  void MarkPatternsUpTo(int limit);

  std::array<std::unordered_map<std::u16string, std::vector<int32_t>>, kGateViewCount> equals_;
  std::vector<TValueGate> valueGates_;               // in the order of their first entries
  std::unordered_map<int32_t, size_t> valueGateOf_;  // program -> its place in valueGates_
  size_t nextValueGate_ = 0;  // the first whose program this lookup has not asked
  std::array<std::unique_ptr<TPatternView>, kGateViewCount> patterns_;  // made at the first pattern
  TEntrySet equalPassed_;
  uint8_t begunPatterns_ = 0;  // views whose pattern table this lookup began
};

template <class TValueOf>
void TConditionIndex::MarkUpTo(int limit, TValueOf&& valueOf) {
  MarkPatternsUpTo(limit);
  for (; nextValueGate_ < valueGates_.size() && valueGates_[nextValueGate_].Entries.front() < limit;
       ++nextValueGate_) {
    const TValueGate& gate = valueGates_[nextValueGate_];
    if (!valueOf(gate.Program)) continue;
    for (const int32_t entry : gate.Entries) equalPassed_.Add(entry);
  }
}

}  // namespace kelmo
