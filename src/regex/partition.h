// Range lists that partition the character space.
//
// `TbmREWchRanges` is a sorted list of disjoint code ranges. `AddRange` refines it rather than
// merging: adding [a, b] splits the ranges that straddle a or b and fills the uncovered stretches
// of [a, b] with new ranges, so that afterwards [a, b] is exactly a run of consecutive ranges.
// Adding the labels of a set of positions this way gives the coarsest partition in which each
// range is either inside or outside every label, which is what the automaton's transitions are
// built on. `Complement` turns a list into the ranges it does not cover, for negated classes.
#pragma once

#include <cstdint>
#include <vector>

namespace kelmo {

// The codes Lo..Hi, both inclusive.
struct TbmRERange {
  int32_t Lo;
  int32_t Hi;
  bool operator==(const TbmRERange&) const = default;
};

class TbmREWchRanges {
 public:
  void Clear() { ranges_.clear(); }
  int Count() const { return static_cast<int>(ranges_.size()); }
  const TbmRERange& operator[](int index) const { return ranges_[index]; }
  auto begin() const { return ranges_.begin(); }
  auto end() const { return ranges_.end(); }

  // The index of the first range ordered at or after (lo, hi), by Lo then Hi; Count() if none.
  int FindRange(int32_t lo, int32_t hi) const;

  // Refines the list so that [lo, hi] (lo <= hi) is exactly the union of consecutive ranges:
  // ranges straddling lo or hi are split there, uncovered stretches become new ranges, and no
  // ranges are merged.
  void AddRange(int32_t lo, int32_t hi);

  // AddRange for each range of `other`, in order.
  void AddRanges(const TbmREWchRanges& other);

  // Replaces the list by the maximal stretches of [lo, hi] it does not cover, ascending; an
  // empty list becomes [lo, hi].
  void Complement(int32_t lo, int32_t hi);

 private:
  std::vector<TbmRERange> ranges_;
  std::vector<TbmRERange> scratch_;  // reused by AddRange and Complement
};

}  // namespace kelmo
