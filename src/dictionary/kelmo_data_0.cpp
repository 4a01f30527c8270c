// Dictionary kind 0: loading condition lines, compiling them, and the lookup walk that evaluates
// programs and passes over the entries whose trusted gate failed.
#include "dictionary/kelmo_data_0.h"

#include <algorithm>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {

namespace {
// Fields a kind 0 line needs: condition, reply.
constexpr size_t kMinimumFields0 = 2;

// What a passing condition evaluates to, after normalisation.
constexpr std::u16string_view kConditionTrue = u"TRUE";
}  // namespace

bool TKelmoData0::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFields0);
  if (fields.empty()) return true;
  const std::string key = NormalizeKey(fields[0]);
  if (key == kEndOfDataMarker) return false;
  TEntry0 entry;
  entry.Reply = std::move(fields[1]);
  entry.Separator = key == kPriorMarker;
  entry.Condition = ShiftJisToUtf16(key);
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoData0::SetConditionPrograms(TConditionPrograms* programs) {
  programs_ = programs;
  preparedCount_ = 0;
  compiled_.clear();
  ungated_.clear();
  everyGateRequirement_ = TGateRequirement();
  index_.Clear();
  gatedCount_ = 0;
}

void TKelmoData0::Prepare() {
  if (programs_ == nullptr) return;
  compiled_.resize(Entries.size());
  index_.Reserve(StoredCount() - preparedCount_);
  for (; preparedCount_ < StoredCount(); ++preparedCount_) {
    const TEntry0& entry = Entries[preparedCount_];
    if (entry.Separator) continue;
    TCompiled& compiled = compiled_[preparedCount_];
    compiled.Program = programs_->Compile(entry.Condition);
    const TConditionGate* gate = programs_->GateOf(compiled.Program);
    compiled.Gated = gate != nullptr && index_.Add(preparedCount_, *gate, compiled.Program);
    if (!compiled.Gated) {
      ungated_.push_back(preparedCount_);
      continue;
    }
    compiled.Decides = gate->Decides;
    everyGateRequirement_ |= programs_->RequirementOf(compiled.Program);
    ++gatedCount_;
  }
}

void TKelmoData0::Clear() {
  TKelmoDataOf::Clear();
  SetConditionPrograms(programs_);
}

void TKelmoData0::CollectCandidates(const std::string& input, TAnswerList& candidates) {
  if (programs_ == nullptr) {
    ScanCandidates(input, candidates);
    return;
  }
  Prepare();
  const TLookupState& state = programs_->BeginLookup();
  index_.Begin(state, StoredCount());
  uint32_t generation = state.Generation;
  bool trustEveryGate = state.Satisfies(everyGateRequirement_);
  for (const TEntryRun& run : Runs.Runs()) {
    const int runEnd = run.StoredStart + run.Count;
    for (int start = run.StoredStart; start < runEnd;) {
      const int end = std::min(GroupEnd(start), runEnd);
      // A program whose value depends on the lookup texts alone is asked here for all its
      // entries, when its gate can be trusted; otherwise its entries are evaluated in turn.
      index_.MarkUpTo(end, [&](int32_t program) {
        return state.Satisfies(programs_->RequirementOf(program)) &&
               Holds(programs_->Evaluate(program));
      });
      // The entries to visit, in order: trusting every gate, the next entry without a gate and
      // the next whose gate passed, each followed by a cursor; otherwise every entry.
      auto ungated = std::lower_bound(ungated_.begin(), ungated_.end(), start);
      int passed = index_.NextPassed(start);
      for (int entry = start; entry < end; ++entry) {
        if (trustEveryGate) {
          while (ungated != ungated_.end() && *ungated < entry) ++ungated;
          if (passed < entry) passed = index_.NextPassed(entry);
          entry = std::min(ungated == ungated_.end() ? end : *ungated, passed);
          if (entry >= end) break;
        }
        const int offset = entry - run.StoredStart;
        if (OnceOnly && run.IsUsed(offset)) continue;
        if (Passes(entry, state)) candidates.AddIndex(run.Start + offset);
        // An evaluation that wrote a memo may have taken away what trusting every gate needs.
        if (state.Generation != generation) {
          generation = state.Generation;
          trustEveryGate = state.Satisfies(everyGateRequirement_);
        }
      }
      // The group goes on in the next run.
      if (end == runEnd) break;
      if (candidates.Count() > 0) return;
      start = end + 1;  // past the separator
    }
  }
}

bool TKelmoData0::Passes(int entry, const TLookupState& state) {
  const TCompiled& compiled = compiled_[entry];
  if (compiled.Gated && state.Satisfies(programs_->RequirementOf(compiled.Program))) {
    if (!index_.Passed(entry)) return false;
    if (compiled.Decides) return true;
  }
  return Holds(programs_->Evaluate(compiled.Program));
}

void TKelmoData0::ScanCandidates(const std::string&, TAnswerList& candidates) {
  ScanGroups(candidates,
             [this](const TEntry0& entry) { return Holds(Evaluator(entry.Condition)); });
}

bool TKelmoData0::Holds(std::u16string_view result) {
  // Normalisation keeps the length, so only a result of four characters can pass; checking that
  // first spares normalising long results.
  return result.size() == kConditionTrue.size() && NormalizeText(result) == kConditionTrue;
}

}  // namespace kelmo
