// A set of entry indices of one dictionary as a bitmap, walked in ascending (file) order: what
// the prefilter marks for a text, and what the lookup then tests.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace kelmo {

// A set of entry indices as a bitmap, walked in ascending order.
class TEntrySet {
 public:
  // Makes the set empty, able to hold the indices below count.
  void Reset(int count) { words_.assign(WordsFor(count), 0); }

  // index must be below the capacity.
  void Add(int index) { words_[index / kWordBits] |= uint64_t{1} << (index % kWordBits); }

  // Keeps only the indices that other holds too.
  void KeepCommon(const TEntrySet& other) {
    for (size_t word = 0; word < words_.size(); ++word) {
      words_[word] &= word < other.words_.size() ? other.words_[word] : 0;
    }
  }

  // Calls visit(index) for the indices in ascending order until it returns false.
  template <class TVisit>
  void ForEach(TVisit&& visit) const {
    for (size_t word = 0; word < words_.size(); ++word) {
      for (uint64_t bits = words_[word]; bits != 0; bits &= bits - 1) {
        if (!visit(static_cast<int>(word * kWordBits) + std::countr_zero(bits))) return;
      }
    }
  }

 private:
  static constexpr int kWordBits = 64;
  static size_t WordsFor(int count) {
    return (static_cast<size_t>(count) + kWordBits - 1) / kWordBits;
  }

  std::vector<uint64_t> words_;
};

}  // namespace kelmo
