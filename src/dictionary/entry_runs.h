// Where each entry of a dictionary comes from, when a file may be listed more than once.
//
// A dictionary stores the entries of each distinct file once (its stored entries, in the order
// the files were first loaded) and lists them as often as the file is named: its entries as the
// lookups see them are the listings one after another. A run is a stretch of listed entries that
// maps onto consecutive stored entries; listings of new files follow each other in both orders,
// so a dictionary without a repeated file is one run and its listed entries are its stored ones.
// What belongs to a listing and not to the file is kept per run: the place of its entries and
// which of them a OnceOnly lookup has used. Used marks are bit sets taken only when a run's first
// entry is used, so a file named a thousand times costs a few words per naming, not a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelmo {

// Listed entries [Start, Start + Count) are stored entries [StoredStart, StoredStart + Count).
struct TEntryRun {
  int32_t Start = 0;
  int32_t Count = 0;
  int32_t StoredStart = 0;

  // Whether the listed entry Start + offset has been used.
  bool IsUsed(int32_t offset) const {
    const size_t word = static_cast<size_t>(offset) / kWordBits;
    return word < Used.size() && (Used[word] >> (offset % kWordBits) & 1) != 0;
  }

  static constexpr int kWordBits = 64;
  std::vector<uint64_t> Used;  // bit per listed entry; empty until one is used
};

class TEntryRuns {
 public:
  // Lists count stored entries from storedStart after the entries listed so far.
  void Append(int32_t storedStart, int32_t count);

  // The number of listed entries.
  int32_t Count() const { return count_; }

  // The runs in listing order.
  const std::vector<TEntryRun>& Runs() const { return runs_; }

  // The stored entry behind a listed entry (0 <= listed < Count()).
  int32_t StoredIndex(int32_t listed) const;

  // Marks a listed entry (0 <= listed < Count()) as used.
  void MarkUsed(int32_t listed);

  // Forgets every listing.
  void Clear() { *this = TEntryRuns(); }

 private:
  // The position in runs_ of the run holding a listed entry.
  size_t RunIndexOf(int32_t listed) const;

  std::vector<TEntryRun> runs_;
  int32_t count_ = 0;
};

}  // namespace kelmo
