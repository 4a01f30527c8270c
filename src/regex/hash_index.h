// An open-addressing index from keys to dense ids, for interning during compilation.
//
// The caller stores the keys itself (leaf labels, leaf sets of automaton states) in flat arrays
// indexed by id; the index only keeps the ids and their hashes and asks the caller to compare.
// This keeps interning free of per-entry allocations.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kelmo {

// A hash of a sequence of words (leaf sets, label ranges). Every word goes through a full
// 64-bit finalizer, so that sets differing only in high bits still spread over the low bits
// that pick a slot.
inline uint64_t HashWords(std::span<const uint64_t> words) {
  uint64_t hash = words.size();
  for (const uint64_t word : words) {
    hash = hash * 0x9E3779B97F4A7C15ull ^ word;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 33;
  }
  return hash;
}

class TbmREHashIndex {
 public:
  // The number of ids handed out.
  int Count() const { return static_cast<int>(hashes_.size()); }

  // The id of the key with `hash` for which `equals(id)` holds; if there is none, the next id
  // (Count()) is assigned to it, and `inserted` is set.
  template <class Equals>
  int FindOrInsert(uint64_t hash, Equals equals, bool& inserted) {
    if (2 * (hashes_.size() + 1) > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const int32_t id = slots_[slot];
      if (id < 0) {
        slots_[slot] = static_cast<int32_t>(hashes_.size());
        hashes_.push_back(hash);
        inserted = true;
        return slots_[slot];
      }
      if (hashes_[id] == hash && equals(id)) {
        inserted = false;
        return id;
      }
    }
  }

 private:
  void Grow() {
    slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, -1);
    const size_t mask = slots_.size() - 1;
    for (size_t id = 0; id < hashes_.size(); ++id) {
      size_t slot = hashes_[id] & mask;
      while (slots_[slot] >= 0) slot = (slot + 1) & mask;
      slots_[slot] = static_cast<int32_t>(id);
    }
  }

  std::vector<int32_t> slots_;    // ids, -1 for a free slot; the size is a power of two
  std::vector<uint64_t> hashes_;  // the hash of each id
};

}  // namespace kelmo
