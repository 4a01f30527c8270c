// A set of entry indices of one dictionary as a bitmap, walked in ascending (file) order: what
// the prefilter marks for a text, and what the lookup then tests.
//
// A text marks a few hundred entries of a dictionary that may hold a hundred thousand, so a second
// bitmap, one bit per word of the first, records the words in use, and each word carries the
// number of the Reset it was last written after: emptying the set costs the second bitmap, and
// walking it the words in use, rather than the whole capacity.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace kelmo {

class TEntrySet {
 public:
  // Makes the set empty, able to hold the indices below count.
  void Reset(int count) {
    const size_t words = WordsFor(count);
    if (words != words_.size()) {
      words_.assign(words, 0);
      stamps_.assign(words, 0);
      used_.assign(WordsFor(static_cast<int64_t>(words)), 0);
      usedEnd_ = 0;
      stamp_ = 0;
    }
    std::fill(used_.begin(), used_.begin() + usedEnd_, 0);
    usedEnd_ = 0;
    if (++stamp_ == 0) {  // the numbers wrapped around: no word may look current
      std::fill(stamps_.begin(), stamps_.end(), 0);
      stamp_ = 1;
    }
  }

  // index must be below the capacity.
  void Add(int index) {
    const size_t word = static_cast<size_t>(index) / kWordBits;
    if (stamps_[word] != stamp_) {
      stamps_[word] = stamp_;
      words_[word] = 0;
      used_[word / kWordBits] |= Bit(static_cast<int64_t>(word));
      usedEnd_ = std::max(usedEnd_, word / kWordBits + 1);
    }
    words_[word] |= Bit(index);
  }

  // index must be below the capacity.
  bool Contains(int index) const {
    const size_t word = static_cast<size_t>(index) / kWordBits;
    return stamps_[word] == stamp_ && (words_[word] & Bit(index)) != 0;
  }

  // Calls visit(index) for the indices in ascending order until it returns false.
  template <class TVisit>
  void ForEach(TVisit&& visit) const {
    ForEachFrom(0, visit);
  }

  // Calls visit(index) for the indices from start on in ascending order until it returns false.
  template <class TVisit>
  void ForEachFrom(int start, TVisit&& visit) const {
    const size_t first = static_cast<size_t>(start) / kWordBits;
    ForEachWord(first, [&](size_t word) {
      uint64_t bits = words_[word];
      if (word == first) bits &= ~uint64_t{0} << (start % kWordBits);
      for (; bits != 0; bits &= bits - 1) {
        if (!visit(static_cast<int>(word * kWordBits) + std::countr_zero(bits))) return false;
      }
      return true;
    });
  }

  // The smallest index from start on, or -1 when there is none.
  int NextFrom(int start) const {
    int next = -1;
    ForEachFrom(start, [&](int index) {
      next = index;
      return false;
    });
    return next;
  }

 private:
  static constexpr int kWordBits = 64;
  static size_t WordsFor(int64_t count) {
    return (static_cast<size_t>(count) + kWordBits - 1) / kWordBits;
  }
  static uint64_t Bit(int64_t index) { return uint64_t{1} << (index % kWordBits); }

  // Calls visit(word) for the words in use from first on in ascending order until it returns
  // false.
  template <class TVisit>
  void ForEachWord(size_t first, TVisit&& visit) const {
    for (size_t summary = first / kWordBits; summary < usedEnd_; ++summary) {
      uint64_t bits = used_[summary];
      if (summary == first / kWordBits) bits &= ~uint64_t{0} << (first % kWordBits);
      for (; bits != 0; bits &= bits - 1) {
        if (!visit(summary * kWordBits + std::countr_zero(bits))) return;
      }
    }
  }

  std::vector<uint64_t> words_;   // bit i: index i, when the word's stamp is current
  std::vector<uint32_t> stamps_;  // per word: the Reset it was last written after
  std::vector<uint64_t> used_;    // bit w: words_[w] is current
  size_t usedEnd_ = 0;            // used_ is zero from here on
  uint32_t stamp_ = 0;            // the current Reset
};

}  // namespace kelmo
