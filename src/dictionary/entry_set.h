// A set of entry indices of one dictionary as a bitmap, walked in ascending (file) order: what
// the prefilter marks for a text, and what the lookup then tests.
//
// A text marks a few hundred entries of a dictionary that may hold a hundred thousand, so a second
// bitmap, one bit per word of the first, records the words in use: emptying the set and walking it
// cost the words in use rather than the whole capacity.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace kelmo {

class TEntrySet {
 public:
  // Makes the set empty, able to hold the indices below count.
  void Reset(int count) {
    ForEachWord([this](size_t word) {
      words_[word] = 0;
      return true;
    });
    std::fill(used_.begin(), used_.end(), 0);
    const size_t words = WordsFor(count);
    if (words != words_.size()) {
      words_.assign(words, 0);
      used_.assign(WordsFor(static_cast<int64_t>(words)), 0);
    }
  }

  // index must be below the capacity.
  void Add(int index) {
    const size_t word = static_cast<size_t>(index) / kWordBits;
    words_[word] |= Bit(index);
    used_[word / kWordBits] |= Bit(static_cast<int64_t>(word));
  }

  // index must be below the capacity.
  bool Contains(int index) const {
    return (words_[static_cast<size_t>(index) / kWordBits] & Bit(index)) != 0;
  }

  // Keeps only the indices that other holds too.
  void KeepCommon(const TEntrySet& other) {
    ForEachWord([&](size_t word) {
      words_[word] &= word < other.words_.size() ? other.words_[word] : 0;
      return true;
    });
  }

  // Calls visit(index) for the indices in ascending order until it returns false.
  template <class TVisit>
  void ForEach(TVisit&& visit) const {
    ForEachWord([&](size_t word) {
      for (uint64_t bits = words_[word]; bits != 0; bits &= bits - 1) {
        if (!visit(static_cast<int>(word * kWordBits) + std::countr_zero(bits))) return false;
      }
      return true;
    });
  }

 private:
  static constexpr int kWordBits = 64;
  static size_t WordsFor(int64_t count) {
    return (static_cast<size_t>(count) + kWordBits - 1) / kWordBits;
  }
  static uint64_t Bit(int64_t index) { return uint64_t{1} << (index % kWordBits); }

  // Calls visit(word) for the words in use in ascending order until it returns false.
  template <class TVisit>
  void ForEachWord(TVisit&& visit) const {
    for (size_t summary = 0; summary < used_.size(); ++summary) {
      for (uint64_t bits = used_[summary]; bits != 0; bits &= bits - 1) {
        if (!visit(summary * kWordBits + std::countr_zero(bits))) return;
      }
    }
  }

  std::vector<uint64_t> words_;  // bit i: index i
  std::vector<uint64_t> used_;   // bit w: words_[w] may hold indices
};

}  // namespace kelmo
