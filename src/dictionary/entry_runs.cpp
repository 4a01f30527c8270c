// Listing stored entries, and finding a listed entry's run by binary search over the runs' starts.
#include "dictionary/entry_runs.h"

#include <algorithm>

namespace kelmo {

void TEntryRuns::Append(int32_t storedStart, int32_t count) {
  if (count == 0) return;
  // A listing that carries on where the last one ended in both orders extends its run.
  if (!runs_.empty()) {
    TEntryRun& last = runs_.back();
    if (last.StoredStart + last.Count == storedStart) {
      last.Count += count;
      count_ += count;
      return;
    }
  }
  runs_.push_back(TEntryRun{count_, count, storedStart, {}});
  count_ += count;
}

int32_t TEntryRuns::StoredIndex(int32_t listed) const {
  const TEntryRun& run = runs_[RunIndexOf(listed)];
  return run.StoredStart + (listed - run.Start);
}

void TEntryRuns::MarkUsed(int32_t listed) {
  TEntryRun& run = runs_[RunIndexOf(listed)];
  const int32_t offset = listed - run.Start;
  const size_t word = static_cast<size_t>(offset) / TEntryRun::kWordBits;
  if (run.Used.empty()) {
    run.Used.assign(
        (static_cast<size_t>(run.Count) + TEntryRun::kWordBits - 1) / TEntryRun::kWordBits, 0);
  }
  run.Used[word] |= uint64_t{1} << (offset % TEntryRun::kWordBits);
}

size_t TEntryRuns::RunIndexOf(int32_t listed) const {
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), listed,
                       [](int32_t index, const TEntryRun& run) { return index < run.Start; });
  return static_cast<size_t>(after - runs_.begin()) - 1;
}

}  // namespace kelmo
