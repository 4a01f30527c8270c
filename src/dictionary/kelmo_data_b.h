// Dictionary kind B: the keyword dictionary.
//
// Each entry holds a pattern searched in the input and a reply; it passes when the pattern is
// found anywhere in the input. Patterns are normalised at load like the input, so letter case and
// width never matter. A lookup asks the prefilter which entries may pass and searches only those,
// in file order, group by group; each pattern is compiled at its first search.
#pragma once

#include <string>

#include "dictionary/kelmo_data.h"
#include "dictionary/pattern_table.h"

namespace kelmo {

struct TEntryB : TDictionaryEntry {
  int32_t Input = -1;  // the pattern searched in the input, in inputPatterns_; -1 for a separator
};

class TKelmoDataB : public TKelmoDataOf<TEntryB> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Indexes the entries stored since the last Prepare for the prefilter, analysing the patterns
  // not seen before; a pattern with a syntax error is marked so that it never matches.
  void Prepare() override;

  void Clear() override;

  // Errors of the pattern engine other than syntax errors go on to the caller.
  void CollectCandidates(const std::string& input, TAnswerList& candidates) override;
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

 protected:
  // Lines of at least two fields: input pattern, reply.
  bool AddLine(const std::string& line) override;

 private:
  int preparedCount_ = 0;  // entries before this index are indexed
  TPatternTable inputPatterns_;
  TEntrySet marked_;  // scratch of CollectCandidates
};

}  // namespace kelmo
