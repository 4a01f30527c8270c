// The candidate list of a dictionary lookup: entry indices gathered from one priority group, from
// which one is picked at random.
#pragma once

#include <vector>

namespace kelmo {

class TAnswerList {
 public:
  // capacity: the most indices the list will hold (callers pass their dictionary's entry count).
  explicit TAnswerList(int capacity);

  // Appends an entry index. Inline: a lookup adds dozens.
  void AddIndex(int index) {
    // Reserved at the first index: most lookups of most dictionaries find none.
    if (items_.empty()) items_.reserve(reserve_);
    items_.push_back(index);
  }

  // A uniformly random index of the list (drawn from the shared random source); 0 when empty.
  int PickRandom() const;

  int Count() const { return static_cast<int>(items_.size()); }

  const std::vector<int>& Items() const { return items_; }

 private:
  std::vector<int> items_;
  int reserve_;  // room taken at the first index
};

}  // namespace kelmo
