// Filling the gate index, and marking the entries whose gate passes.
#include "dictionary/condition_index.h"

#include <algorithm>
#include <exception>

namespace kelmo {

bool TConditionIndex::Add(int entry, const TConditionGate& gate, int32_t program) {
  if (gate.Tests.empty()) {
    const auto [known, added] = valueGateOf_.emplace(program, valueGates_.size());
    if (added) valueGates_.push_back(TValueGate{program, {}});
    valueGates_[known->second].Entries.push_back(entry);
    return true;
  }
  uint8_t patternViews = 0;
  for (const TGateTest& test : gate.Tests) {
    if (test.Kind != TGateTest::TKind::kLike) continue;
    const uint8_t bit = static_cast<uint8_t>(1u << test.View);
    if ((patternViews & bit) != 0) return false;
    patternViews |= bit;
  }
  // Patterns first: one the prefilter cannot take leaves the entry out before any test is kept.
  // A pattern kept for an entry left out later only makes the entry visited, which an entry
  // evaluated at every lookup is anyway.
  for (const TGateTest& test : gate.Tests) {
    if (test.Kind != TGateTest::TKind::kLike) continue;
    std::unique_ptr<TPatternView>& view = patterns_[test.View];
    if (!view) view = std::make_unique<TPatternView>();
    try {
      view->Table.Index(entry, view->Table.Intern(test.Pattern));
    } catch (const std::exception&) {
      return false;
    }
    view->EntryLimit = entry + 1;
  }
  for (const TGateTest& test : gate.Tests) {
    if (test.Kind == TGateTest::TKind::kEquals) equals_[test.View][test.Text].push_back(entry);
  }
  return true;
}

void TConditionIndex::Reserve(int count) {
  // Most gates test the query at one depth or the other.
  for (const bool deep : {false, true}) {
    auto& equals = equals_[GateView(TLookupText::kOperateMessage, deep)];
    equals.reserve(equals.size() + static_cast<size_t>(count));
  }
}

void TConditionIndex::Begin(const TLookupState& state, int storedCount) {
  equalPassed_.Reset(storedCount);
  begunPatterns_ = 0;
  nextValueGate_ = 0;
  for (int view = 0; view < kGateViewCount; ++view) {
    if ((state.UsableViews & (1u << view)) == 0) continue;
    if (!equals_[view].empty()) {
      const auto found = equals_[view].find(state.Texts[view]);
      if (found != equals_[view].end()) {
        for (const int32_t entry : found->second) equalPassed_.Add(entry);
      }
    }
    if (patterns_[view]) {
      patterns_[view]->Table.Begin(state.NarrowTexts[view], patterns_[view]->Passed);
      begunPatterns_ |= static_cast<uint8_t>(1u << view);
    }
  }
}

void TConditionIndex::MarkPatternsUpTo(int limit) {
  for (int view = 0; view < kGateViewCount; ++view) {
    if ((begunPatterns_ & (1u << view)) != 0) patterns_[view]->Table.MarkUpTo(limit);
  }
}

bool TConditionIndex::Passed(int entry) const {
  if (equalPassed_.Contains(entry)) return true;
  for (int view = 0; view < kGateViewCount; ++view) {
    if ((begunPatterns_ & (1u << view)) == 0) continue;
    const TPatternView& pattern = *patterns_[view];
    if (entry < pattern.EntryLimit && pattern.Passed.Contains(entry)) return true;
  }
  return false;
}

int TConditionIndex::NextPassed(int from) const {
  int next = equalPassed_.NextFrom(from);
  if (next < 0) next = kNoEntry;
  for (int view = 0; view < kGateViewCount; ++view) {
    if ((begunPatterns_ & (1u << view)) == 0) continue;
    const int passed = patterns_[view]->Passed.NextFrom(from);
    if (passed >= 0) next = std::min(next, passed);
  }
  return next;
}

}  // namespace kelmo
