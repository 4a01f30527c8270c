// Interning pattern texts, grouping their entries, and marking the entries of found patterns.
#include "dictionary/pattern_table.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace kelmo {

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
  }
  return pattern;
}

void TPatternTable::Index(int entry, int32_t pattern) {
  TSlot& slot = slots_[pattern];
  if (!slot.Indexed) {
    slot.Verdict = prefilter_.Add(pattern, slot.Pattern.Text(), slot.Pattern.CharCode());
    if (slot.Verdict == TPatternVerdict::Broken) slot.Pattern.MarkBroken();
    slot.Indexed = true;
  }
  if (entry >= static_cast<int>(entryPatterns_.size())) entryPatterns_.resize(entry + 1, -1);
  entryPatterns_[entry] = pattern;
  grouped_ = false;
}

void TPatternTable::GroupEntriesByPattern() {
  // Per pattern, its entries in entriesByPattern_, or the entry itself when it has one (most
  // patterns have one, which marking then finds without a second read); and its first entry.
  std::vector<TPatternEntries> patternEntries(slots_.size());
  std::vector<int32_t> firstEntries(slots_.size(), kNoEntry);
  for (const int32_t pattern : entryPatterns_) {
    if (pattern >= 0) ++patternEntries[pattern].Count;
  }
  int32_t offset = 0;
  for (TPatternEntries& entries : patternEntries) {
    entries.First = offset;
    offset += entries.Count;
  }
  entriesByPattern_.resize(offset);
  std::vector<int32_t> next(patternEntries.size());
  for (size_t pattern = 0; pattern < patternEntries.size(); ++pattern) {
    next[pattern] = patternEntries[pattern].First;
  }
  for (size_t entry = 0; entry < entryPatterns_.size(); ++entry) {
    const int32_t pattern = entryPatterns_[entry];
    if (pattern >= 0) entriesByPattern_[next[pattern]++] = static_cast<int32_t>(entry);
  }
  for (size_t pattern = 0; pattern < patternEntries.size(); ++pattern) {
    TPatternEntries& entries = patternEntries[pattern];
    if (entries.Count == 0) continue;
    firstEntries[pattern] = entriesByPattern_[entries.First];
    // A pattern of one entry names it directly.
    if (entries.Count == 1) entries.First = firstEntries[pattern];
  }
  prefilter_.AttachEntries(patternEntries, firstEntries);
  grouped_ = true;
}

bool TPatternTable::FoundIn(int32_t pattern, const std::string& text) {
  return slots_[pattern].Pattern.FoundIn(text);
}

void TPatternTable::Begin(const std::string& text, TEntrySet& candidates) {
  if (!grouped_) GroupEntriesByPattern();
  candidates.Reset(static_cast<int>(entryPatterns_.size()));
  text_ = &text;
  candidates_ = &candidates;
  prefilter_.Begin(text);
}

int32_t TPatternTable::MarkUpTo(int32_t entryLimit) {
  using TVerdict = TPatternPrefilter::TVerdict;
  return prefilter_.VisitUpTo(
      entryLimit, [this](int32_t pattern, TVerdict verdict, const TPatternEntries& entries) {
        if (verdict == TVerdict::Search && !slots_[pattern].Pattern.FoundIn(*text_)) return;
        if (entries.Count == 1) {
          candidates_->Add(entries.First);
          return;
        }
        for (int32_t at = entries.First; at < entries.First + entries.Count; ++at) {
          candidates_->Add(entriesByPattern_[at]);
        }
      });
}

}  // namespace kelmo
