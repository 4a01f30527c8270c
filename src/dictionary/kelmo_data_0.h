// Dictionary kind 0: conditions written in the macro language.
//
// Each entry holds a condition and a reply. An entry passes when the character's evaluator turns
// its condition into "TRUE" (after normalisation, so "True" from a comparison command counts).
// Every unused condition of the scanned groups is evaluated once per lookup, in file order, even
// after a group has found its first candidate, because conditions may have side effects
// (counters, memo) that authors rely on. Conditions are kept as wide text, converted once at load,
// since the evaluator works on wide text.
#pragma once

#include <string>

#include "dictionary/kelmo_data.h"

namespace kelmo {

struct TEntry0 : TDictionaryEntry {
  std::u16string Condition;  // the key after load-time normalisation
};

class TKelmoData0 : public TKelmoDataOf<TEntry0> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Nothing to prepare: conditions are evaluated at each lookup.
  void Prepare() override {}

  // Does not consult input. Errors of the evaluator go on to the caller.
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

 protected:
  // Lines of at least two fields: condition, reply.
  bool AddLine(const std::string& line) override;

 private:
  // True when the evaluated condition normalises to exactly "TRUE".
  bool ConditionHolds(const std::u16string& condition) const;
};

}  // namespace kelmo
