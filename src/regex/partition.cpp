// Range lists: refinement by AddRange and complement.
#include "regex/partition.h"

#include <algorithm>

namespace kelmo {

int TbmREWchRanges::FindRange(int32_t lo, int32_t hi) const {
  const auto found =
      std::lower_bound(ranges_.begin(), ranges_.end(), TbmRERange{lo, hi},
                       [](const TbmRERange& range, const TbmRERange& key) {
                         return range.Lo < key.Lo || (range.Lo == key.Lo && range.Hi < key.Hi);
                       });
  return static_cast<int>(found - ranges_.begin());
}

void TbmREWchRanges::AddRange(int32_t lo, int32_t hi) {
  // The ranges that touch [lo, hi] form one run [first, last); it is rebuilt in scratch_ and
  // spliced back, so that adding a wide range over many small ones stays linear.
  const auto touchesOrFollows = [](const TbmRERange& range, int32_t code) {
    return range.Hi < code;
  };
  const int first = static_cast<int>(
      std::lower_bound(ranges_.begin(), ranges_.end(), lo, touchesOrFollows) - ranges_.begin());
  int last = first;
  while (last < Count() && ranges_[last].Lo <= hi) ++last;

  scratch_.clear();
  int32_t next = lo;  // the first code of [lo, hi] not yet placed
  for (int index = first; index < last; ++index) {
    const TbmRERange range = ranges_[index];
    if (range.Lo < lo) scratch_.push_back({range.Lo, lo - 1});
    if (next < range.Lo) scratch_.push_back({next, range.Lo - 1});
    const int32_t innerLo = std::max(range.Lo, lo);
    const int32_t innerHi = std::min(range.Hi, hi);
    scratch_.push_back({innerLo, innerHi});
    if (range.Hi > hi) scratch_.push_back({hi + 1, range.Hi});
    next = innerHi + 1;
  }
  if (next <= hi) scratch_.push_back({next, hi});

  ranges_.erase(ranges_.begin() + first, ranges_.begin() + last);
  ranges_.insert(ranges_.begin() + first, scratch_.begin(), scratch_.end());
}

void TbmREWchRanges::AddRanges(const TbmREWchRanges& other) {
  for (const TbmRERange& range : other.ranges_) AddRange(range.Lo, range.Hi);
}

void TbmREWchRanges::Complement(int32_t lo, int32_t hi) {
  scratch_.clear();
  int64_t next = lo;  // wide: a range may end at the top of the code space
  for (const TbmRERange& range : ranges_) {
    if (range.Hi < next) continue;
    if (range.Lo > hi) break;
    if (range.Lo > next) scratch_.push_back({static_cast<int32_t>(next), range.Lo - 1});
    next = static_cast<int64_t>(range.Hi) + 1;
  }
  if (next <= hi) scratch_.push_back({static_cast<int32_t>(next), hi});
  ranges_.swap(scratch_);
}

}  // namespace kelmo
