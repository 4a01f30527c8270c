// Interning pattern texts, grouping their entries, and the per-lookup verdicts.
#include "dictionary/pattern_table.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace kelmo {

namespace {
// The highest Mark stamp: twice it plus one still fits a verdict.
constexpr uint32_t kLastStamp = 0x7FFFFFFE;
}  // namespace

int32_t TPatternTable::Intern(std::string text) {
  const uint8_t charCode = bmccDefaultCharCode;
  const uint64_t hash = std::hash<std::string_view>()(text) * 0x9E3779B97F4A7C15ull + charCode;
  bool inserted = false;
  const int32_t pattern = index_.FindOrInsert(
      hash,
      [&](int id) {
        const TEntryPattern& known = slots_[id].Pattern;
        return known.CharCode() == charCode && known.Text() == text;
      },
      inserted);
  if (inserted) {
    slots_.emplace_back(std::move(text));
    verdicts_.push_back(0);
  }
  return pattern;
}

void TPatternTable::Index(int entry, int32_t pattern) {
  TSlot& slot = slots_[pattern];
  if (!slot.Indexed) {
    if (!prefilter_.Add(pattern, slot.Pattern.Text(), slot.Pattern.CharCode())) {
      slot.Pattern.MarkBroken();
    }
    slot.Indexed = true;
  }
  if (entry >= static_cast<int>(entryPatterns_.size())) entryPatterns_.resize(entry + 1, -1);
  entryPatterns_[entry] = pattern;
  grouped_ = false;
}

void TPatternTable::GroupEntriesByPattern() {
  patternOffsets_.assign(slots_.size() + 1, 0);
  for (const int32_t pattern : entryPatterns_) {
    if (pattern >= 0) ++patternOffsets_[pattern + 1];
  }
  for (size_t pattern = 0; pattern < slots_.size(); ++pattern) {
    patternOffsets_[pattern + 1] += patternOffsets_[pattern];
  }
  entriesByPattern_.resize(patternOffsets_.back());
  std::vector<int32_t> next(patternOffsets_.begin(), patternOffsets_.end() - 1);
  for (size_t entry = 0; entry < entryPatterns_.size(); ++entry) {
    const int32_t pattern = entryPatterns_[entry];
    if (pattern >= 0) entriesByPattern_[next[pattern]++] = static_cast<int32_t>(entry);
  }
  grouped_ = true;
}

bool TPatternTable::FoundIn(int32_t pattern, const std::string& text) {
  return slots_[pattern].Pattern.FoundIn(text);
}

void TPatternTable::Mark(const std::string& text, TEntrySet& candidates) {
  if (++stamp_ > kLastStamp) {  // the stamps ran out: forget every verdict
    std::fill(verdicts_.begin(), verdicts_.end(), 0);
    stamp_ = 1;
  }
  if (!grouped_) GroupEntriesByPattern();
  prefilter_.Mark(text, marked_);
  const int entryCount = static_cast<int>(entryPatterns_.size());
  candidates.Reset(entryCount);
  found_.Reset(entryCount);
  using TVerdict = TPatternPrefilter::TVerdict;
  for (const int32_t pattern : marked_) {
    const TVerdict verdict = prefilter_.Decide(pattern);
    if (verdict == TVerdict::NotFound) continue;
    const int32_t first = patternOffsets_[pattern];
    const int32_t end = patternOffsets_[pattern + 1];
    bool found = verdict == TVerdict::Found;
    if (!found && end - first >= kEagerSearchEntries) {
      if (!SearchOnce(pattern, text)) continue;
      found = true;
    }
    for (int32_t at = first; at < end; ++at) {
      candidates.Add(entriesByPattern_[at]);
      if (found) found_.Add(entriesByPattern_[at]);
    }
  }
}

bool TPatternTable::SearchOnce(int32_t pattern, const std::string& text) {
  if (verdicts_[pattern] >= stamp_ * 2) return verdicts_[pattern] & 1;
  const bool found = slots_[pattern].Pattern.FoundIn(text);
  verdicts_[pattern] = stamp_ * 2 + (found ? 1 : 0);
  return found;
}

}  // namespace kelmo
