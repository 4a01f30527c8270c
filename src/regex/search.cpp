// The search: all attempts side by side over one decoding of the text.
#include "regex/search.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>
#include <vector>

#include "regex/char_reader.h"

namespace kelmo {

namespace {

constexpr int kLineFeed = '\n';
constexpr int kCarriageReturn = '\r';

// Automata up to this many states keep the search's per-state arrays on the stack.
constexpr size_t kInlineStates = 64;

// One attempt in progress: its automaton state and the offset where it started.
struct Thread {
  int32_t state;
  int32_t start;
};

// An array of `size` elements, on the stack when small.
template <class T>
class ScratchArray {
 public:
  explicit ScratchArray(size_t size) {
    if (size > kInlineStates) heap_.resize(size);
    data_ = size > kInlineStates ? heap_.data() : inline_.data();
  }
  T* data() { return data_; }

 private:
  std::array<T, kInlineStates> inline_;
  std::vector<T> heap_;
  T* data_;
};

// Shift-JIS, EUC and single-byte texts.
class MultiByteText {
 public:
  MultiByteText(std::string_view text, uint8_t charCode)
      : bytes_(reinterpret_cast<const uint8_t*>(text.data())),
        length_(static_cast<int>(text.size())),
        leadBytes_(LeadByteTable(charCode)) {}

  TbmDecodedChar Decode(int position) const {
    return DecodeMultiByteChar(bytes_, length_, position, leadBytes_);
  }

  int PreviousCharStart(int position) const {
    return position - PreviousMultiByteCharLength(bytes_, length_, position, leadBytes_);
  }

  // The first character start from `position` on whose first byte may begin a match.
  int SkipToCandidate(const TbmREDFATable& table, int position) const {
    while (position < length_ && !table.MayStartAt(bytes_[position])) {
      position += leadBytes_[bytes_[position]] ? 2 : 1;
    }
    return std::min(position, length_);
  }

 private:
  const uint8_t* bytes_;
  int length_;
  const TbmLeadByteTable& leadBytes_;
};

// UTF-16 texts; a final odd byte is not part of any character.
class Utf16Text {
 public:
  explicit Utf16Text(std::string_view text)
      : bytes_(reinterpret_cast<const uint8_t*>(text.data())),
        length_(static_cast<int>(text.size())) {}

  TbmDecodedChar Decode(int position) const { return DecodeUtf16Char(bytes_, length_, position); }
  int PreviousCharStart(int position) const { return position - 2; }
  int SkipToCandidate(const TbmREDFATable&, int position) const { return position; }

 private:
  const uint8_t* bytes_;
  int length_;
};

template <class Text>
TbmREMatch Run(const TbmREDFATable& table, const Text& text, int length, int start) {
  const bool lineHeads = table.HasLineHead();
  const bool lineTails = table.HasLineTail();
  const int headState = table.LineHeadState();
  const auto isLineHeadAfter = [&](int code, int position) {
    return code == kLineFeed ||
           (code == kCarriageReturn && text.Decode(position).value != kLineFeed);
  };

  int position = start;
  bool atLineHead = false;
  if (lineHeads) {
    if (start == 0) {
      atLineHead = true;
    } else {
      // Read the character before the start; the attempts begin where that reading ends.
      const TbmDecodedChar previous = text.Decode(text.PreviousCharStart(start));
      position = std::min(previous.next, length);
      atLineHead = isLineHeadAfter(previous.value, position);
    }
  }

  const size_t states = table.StateCount();
  ScratchArray<Thread> firstList(states), secondList(states);
  ScratchArray<uint32_t> marks(states);  // the generation of the list a state is in
  std::fill_n(marks.data(), states, 0);
  Thread* current = firstList.data();
  Thread* next = secondList.data();
  int currentCount = 0;
  uint32_t generation = 1;
  const auto addThread = [&](int state) {
    if (marks.data()[state] == generation) return;
    marks.data()[state] = generation;
    current[currentCount++] = {state, position};
  };

  int bestStart = -1;
  int bestEnd = -1;
  for (;;) {
    if (bestStart < 0) {
      if (currentCount == 0 && !atLineHead) position = text.SkipToCandidate(table, position);
      addThread(0);
      if (atLineHead && headState >= 0) addThread(headState);
    } else if (currentCount == 0) {
      break;
    }

    const TbmDecodedChar decoded = text.Decode(position);
    const int code = decoded.value;
    const bool atLineTail =
        lineTails && (code == kEndOfText || code == kLineFeed || code == kCarriageReturn);
    ++generation;
    int nextCount = 0;
    for (int index = 0; index < currentCount; ++index) {
      const Thread thread = current[index];
      if (bestStart >= 0 && thread.start > bestStart) break;  // later starts cannot win
      const TbmREState& state = table.State(thread.state);
      if (state.Accepting || (atLineTail && state.LineTail)) {
        bestStart = thread.start;
        bestEnd = position;
      }
      if (code == kEndOfText) continue;
      const int target = table.NextCharState(thread.state, code);
      if (target < 0 || marks.data()[target] == generation) continue;
      marks.data()[target] = generation;
      next[nextCount++] = {target, thread.start};
    }
    if (code == kEndOfText) break;
    std::swap(current, next);
    currentCount = nextCount;
    position = std::min(decoded.next, length);
    atLineHead = lineHeads && isLineHeadAfter(code, position);
  }
  if (bestStart < 0) return {};
  return {bestStart, bestEnd - bestStart};
}

}  // namespace

TbmREMatch SearchDFA(const TbmREDFATable& table, std::string_view text, int start,
                     uint8_t charCode) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
  const int length = static_cast<int>(text.size());
  if (start < 0 || start > length || table.StateCount() == 0) return {};
  if (charCode == bmccUnicode) return Run(table, Utf16Text(text), length, start);
  return Run(table, MultiByteText(text, charCode), length, start);
}

}  // namespace kelmo
