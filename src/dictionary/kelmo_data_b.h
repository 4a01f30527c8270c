// Dictionary kind B: the keyword dictionary.
//
// Each entry holds a pattern searched in the input and a reply; it passes when the pattern is
// found anywhere in the input. Patterns are normalised at load like the input, so letter case and
// width never matter.
#pragma once

#include <string>

#include "dictionary/entry_pattern.h"
#include "dictionary/kelmo_data.h"

namespace kelmo {

struct TEntryB : TDictionaryEntry {
  explicit TEntryB(const std::string& inputPattern) : Input(inputPattern) {}
  TEntryPattern Input;  // searched in the input
};

class TKelmoDataB : public TKelmoDataOf<TEntryB> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Compiles the patterns of the entries stored since the last Prepare.
  void Prepare() override;

  void Clear() override;

  // Errors of the pattern engine other than syntax errors go on to the caller.
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

 protected:
  // Lines of at least two fields: input pattern, reply.
  bool AddLine(const std::string& line) override;

 private:
  int preparedCount_ = 0;  // entries before this index are compiled
};

}  // namespace kelmo
