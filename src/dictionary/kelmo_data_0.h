// Dictionary kind 0: conditions written in the macro language.
//
// Each entry holds a condition and a reply. An entry passes when the character's evaluator turns
// its condition into "TRUE" (after normalisation, so "True" from a comparison command counts).
// Every unused condition of the scanned groups is evaluated once per lookup, in file order, even
// after a group has found its first candidate, because conditions may have side effects
// (counters, memo) that authors rely on. Conditions are kept as wide text, converted once at load,
// since the evaluator works on wide text.
//
// Given the character's compiled conditions (condition_programs.h), a lookup evaluates programs
// instead of text, and passes over the entries whose gate fails while the lookup's state lets it
// trust them: those conditions would give "False" and change nothing. When every gate can be
// trusted, the lookup visits only the entries without a gate and those the gate index found, in
// file order, group by group; otherwise it visits every entry and trusts the gates one by one.
// The plain scan, which evaluates every condition as text, stays as ScanCandidates.
#pragma once

#include <string>
#include <vector>

#include "dictionary/condition_index.h"
#include "dictionary/condition_programs.h"
#include "dictionary/kelmo_data.h"

namespace kelmo {

struct TEntry0 : TDictionaryEntry {
  std::u16string Condition;  // the key after load-time normalisation
};

class TKelmoData0 : public TKelmoDataOf<TEntry0> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Lookups use programs (not owned; they must outlive the dictionary) from now on, or, with
  // nullptr, the evaluator on text. Entries are compiled at their load, or at the next lookup for
  // those loaded before.
  void SetConditionPrograms(TConditionPrograms* programs);

  // Compiles the conditions stored since the last Prepare and indexes their gates.
  void Prepare() override;

  void Clear() override;

  // Does not consult input. Errors of the evaluation go on to the caller.
  void CollectCandidates(const std::string& input, TAnswerList& candidates) override;
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

  // Entries whose gate the index holds, for a picture of how much a lookup can pass over.
  int GatedCount() const { return gatedCount_; }

 protected:
  // Lines of at least two fields: condition, reply.
  bool AddLine(const std::string& line) override;

 private:
  // What a lookup needs of a stored entry, kept apart from its texts so that the walk reads little.
  struct TCompiled {
    int32_t Program = -1;
    bool Gated = false;    // its gate is in the index
    bool Decides = false;  // the gate alone gives the condition's value
  };

  // Whether the stored entry passes in the current lookup: left out when its gate is trusted and
  // failed, taken when its gate is trusted, passed and decides, evaluated otherwise.
  bool Passes(int entry, const TLookupState& state);

  // True when the evaluated condition normalises to exactly "TRUE".
  static bool Holds(std::u16string_view result);

  TConditionPrograms* programs_ = nullptr;
  int preparedCount_ = 0;                  // stored entries before it are compiled
  std::vector<TCompiled> compiled_;        // per stored entry
  std::vector<int32_t> ungated_;           // stored entries without a gate, separators excluded
  TGateRequirement everyGateRequirement_;  // what trusting every gate at once requires
  TConditionIndex index_;
  int gatedCount_ = 0;
};

}  // namespace kelmo
