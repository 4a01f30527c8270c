// The search: all attempts side by side over one decoding of the text.
#include "regex/search.h"

#include <algorithm>
#include <array>
#include <cstring>
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

  // The first character start from `position` on at which a match may begin: one whose code
  // has a transition from the start state, or a line break where those count.
  int SkipToCandidate(const TbmREDFATable& table, int position) const {
    if (IsFindable(table.FirstCode())) return FindCode(table.FirstCode(), position);
    if (table.StartsOnlyAtLineBreaks()) return FindLineBreak(position);
    while (position < length_) {
      const uint8_t byte = bytes_[position];
      if (!leadBytes_[byte]) {
        if (table.MayStartAt(byte)) break;
        ++position;
        continue;
      }
      const uint8_t trail = position + 1 < length_ ? bytes_[position + 1] : 0;
      if (table.MayStartAt(byte) && table.MayStartWithTrail(trail) &&
          table.NextCharState(0, byte * 256 + trail) >= 0) {
        break;
      }
      position += 2;
    }
    return std::min(position, length_);
  }

 private:
  // Whether `code` is a character that FindCode can look for: one this encoding writes as
  // itself or as lead and trail, the trail not being the zero read after a final lead byte.
  bool IsFindable(int code) const {
    if (code < 0 || code > 0xFFFF) return false;
    if (code <= 0xFF) return !leadBytes_[code];
    return leadBytes_[code >> 8] && (code & 0xFF) != 0;
  }

  // The first start of the character `code` from the character start `position` on, or the end
  // of the text. memchr finds its last byte; the character must then begin at a character start.
  int FindCode(int code, int position) const {
    const bool twoBytes = code > 0xFF;
    const uint8_t last = static_cast<uint8_t>(code & 0xFF);
    const uint8_t lead = static_cast<uint8_t>(code >> 8);
    for (int from = position + (twoBytes ? 1 : 0); from < length_;) {
      const void* found = std::memchr(bytes_ + from, last, length_ - from);
      if (found == nullptr) break;
      const int index = static_cast<int>(static_cast<const uint8_t*>(found) - bytes_);
      const int candidate = twoBytes ? index - 1 : index;
      if ((!twoBytes || bytes_[candidate] == lead) && IsCharStart(position, candidate)) {
        return candidate;
      }
      from = index + 1;
    }
    return length_;
  }

  // The first LF or CR from the character start `position` on that is a character of its own
  // (not the trail of a double-byte character), or the end of the text.
  int FindLineBreak(int position) const {
    int found = length_;
    for (const uint8_t lineBreak : {uint8_t{'\n'}, uint8_t{'\r'}}) {
      for (int from = position; from < found;) {
        const void* hit = std::memchr(bytes_ + from, lineBreak, found - from);
        if (hit == nullptr) break;
        const int index = static_cast<int>(static_cast<const uint8_t*>(hit) - bytes_);
        if (IsCharStart(position, index)) {
          found = index;
          break;
        }
        from = index + 1;
      }
    }
    return found;
  }

  // Whether `index` is a character start when reading from the character start `from`: the
  // lead bytes just before it decide, counted back to the first other byte, after which a
  // character always starts, or to `from`.
  bool IsCharStart(int from, int index) const {
    int leads = 0;
    while (index - leads - 1 >= from && leadBytes_[bytes_[index - leads - 1]]) ++leads;
    return leads % 2 == 0;
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
  const bool maySkip = !table.State(0).Accepting;  // else every position matches
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
  bool covered = false;  // a thread covers the start state: a new attempt cannot win
  for (;;) {
    if (bestStart < 0) {
      if (currentCount == 0 && !atLineHead && maySkip) {
        position = text.SkipToCandidate(table, position);
      }
      if (!covered) addThread(0);
      if (atLineHead && headState >= 0) addThread(headState);
    } else if (currentCount == 0) {
      break;
    }

    // A single thread that no new attempt can beat runs alone, without the list bookkeeping,
    // until it dies, reaches the end, or stops covering the start state.
    if (currentCount == 1 && !lineHeads && !lineTails && (covered || bestStart >= 0)) {
      Thread thread = current[0];
      if (bestStart >= 0 && thread.start > bestStart) break;
      bool ended = false;
      // Runs of characters often repeat one transition (a class in a loop): try it first.
      const TbmRETransition* last = nullptr;
      int lastFrom = -1;
      for (;;) {
        if (table.State(thread.state).Accepting) {
          bestStart = thread.start;
          bestEnd = position;
        }
        const TbmDecodedChar decoded = text.Decode(position);
        const int code = decoded.value;
        if (code == kEndOfText) {
          ended = true;
          break;
        }
        if (lastFrom != thread.state || code < last->Lo || code > last->Hi) {
          last = table.FindCharTransition(thread.state, code);
          lastFrom = thread.state;
        }
        thread.state = last != nullptr ? last->Target : -1;
        position = std::min(decoded.next, length);
        if (thread.state < 0 || (bestStart < 0 && !table.State(thread.state).CoversStart)) break;
      }
      if (ended) break;
      ++generation;
      currentCount = 0;
      covered = false;
      if (thread.state >= 0) {
        marks.data()[thread.state] = generation;
        current[currentCount++] = thread;
      }
      continue;
    }

    const TbmDecodedChar decoded = text.Decode(position);
    const int code = decoded.value;
    const bool atLineTail =
        lineTails && (code == kEndOfText || code == kLineFeed || code == kCarriageReturn);
    ++generation;
    int nextCount = 0;
    covered = false;
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
      covered = covered || table.State(target).CoversStart;
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
