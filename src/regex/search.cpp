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
  ScratchArray(const ScratchArray&) = delete;
  ScratchArray& operator=(const ScratchArray&) = delete;
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

// One search over one text: the list of threads, ordered by start, and the best match so far.
template <class Text>
class Searcher {
 public:
  // With firstHitEnds, the search ends at the first match seen, which Run then gives.
  Searcher(const TbmREDFATable& table, const Text& text, int length, bool firstHitEnds)
      : table_(table),
        text_(text),
        length_(length),
        lineHeads_(table.HasLineHead()),
        lineTails_(table.HasLineTail()),
        firstHitEnds_(firstHitEnds),
        maySkip_(!table.State(0).Accepting),
        firstList_(table.StateCount()),
        secondList_(table.StateCount()),
        marks_(table.StateCount()),
        current_(firstList_.data()),
        next_(secondList_.data()) {
    std::fill_n(marks_.data(), table.StateCount(), 0);
  }

  TbmREMatch Run(int start) {
    Begin(start);
    for (;;) {
      if (bestStart_ < 0) {
        StartAttempts();
      } else if (count_ == 0) {
        break;
      }
      // A single thread that no new attempt can beat runs alone, without the list bookkeeping.
      const bool alone = count_ == 1 && !lineHeads_ && !lineTails_ && (covered_ || bestStart_ >= 0);
      if (!(alone ? RunAlone() : StepAll())) break;
    }
    if (bestStart_ < 0) return {};
    return {bestStart_, bestEnd_ - bestStart_};
  }

 private:
  bool IsLineHeadAfter(int code, int position) const {
    return code == kLineFeed ||
           (code == kCarriageReturn && text_.Decode(position).value != kLineFeed);
  }

  // Places the search at `start`; with line-head anchors, the character before the start
  // decides whether it is a line head, and the attempts begin where reading it ends.
  void Begin(int start) {
    position_ = start;
    if (!lineHeads_) return;
    if (start == 0) {
      atLineHead_ = true;
      return;
    }
    const TbmDecodedChar previous = text_.Decode(text_.PreviousCharStart(start));
    position_ = std::min(previous.next, length_);
    atLineHead_ = IsLineHeadAfter(previous.value, position_);
  }

  // Begins the attempts at the current position, after skipping to a candidate when nothing
  // is in progress.
  void StartAttempts() {
    if (count_ == 0 && !atLineHead_ && maySkip_) {
      position_ = text_.SkipToCandidate(table_, position_);
    }
    if (!covered_) AddThread(0);
    if (atLineHead_ && table_.LineHeadState() >= 0) AddThread(table_.LineHeadState());
  }

  // Adds a thread starting here, unless one that started earlier is in the same state.
  void AddThread(int state) {
    if (marks_.data()[state] == generation_) return;
    marks_.data()[state] = generation_;
    current_[count_++] = {state, position_};
  }

  void Hit(const Thread& thread) {
    bestStart_ = thread.start;
    bestEnd_ = position_;
  }

  // Moves every thread over the character at the current position. Returns false at the end
  // of the text.
  bool StepAll() {
    const TbmDecodedChar decoded = text_.Decode(position_);
    const int code = decoded.value;
    const bool atLineTail =
        lineTails_ && (code == kEndOfText || code == kLineFeed || code == kCarriageReturn);
    ++generation_;
    int nextCount = 0;
    covered_ = false;
    for (int index = 0; index < count_; ++index) {
      const Thread thread = current_[index];
      if (bestStart_ >= 0 && thread.start > bestStart_) break;  // later starts cannot win
      const TbmREState& state = table_.State(thread.state);
      if (state.Accepting || (atLineTail && state.LineTail)) {
        Hit(thread);
        if (firstHitEnds_) return false;
      }
      if (code == kEndOfText) continue;
      const int target = table_.NextCharState(thread.state, code);
      if (target < 0 || marks_.data()[target] == generation_) continue;
      marks_.data()[target] = generation_;
      next_[nextCount++] = {target, thread.start};
      covered_ = covered_ || table_.State(target).CoversStart;
    }
    if (code == kEndOfText) return false;
    std::swap(current_, next_);
    count_ = nextCount;
    position_ = std::min(decoded.next, length_);
    atLineHead_ = lineHeads_ && IsLineHeadAfter(code, position_);
    return true;
  }

  // Runs the only thread until it dies, reaches the end of the text (false), or, while no
  // match is known, stops covering the start state. Used without line anchors only.
  bool RunAlone() {
    Thread thread = current_[0];
    if (bestStart_ >= 0 && thread.start > bestStart_) return false;
    // Runs of characters often repeat one transition (a class in a loop): try it first.
    const TbmRETransition* last = nullptr;
    int lastFrom = -1;
    for (;;) {
      if (table_.State(thread.state).Accepting) {
        Hit(thread);
        if (firstHitEnds_) return false;
      }
      const TbmDecodedChar decoded = text_.Decode(position_);
      const int code = decoded.value;
      if (code == kEndOfText) return false;
      if (lastFrom != thread.state || code < last->Lo || code > last->Hi) {
        last = table_.FindCharTransition(thread.state, code);
        lastFrom = thread.state;
      }
      thread.state = last != nullptr ? last->Target : -1;
      position_ = std::min(decoded.next, length_);
      if (thread.state < 0 || (bestStart_ < 0 && !table_.State(thread.state).CoversStart)) break;
    }
    ++generation_;
    count_ = 0;
    covered_ = false;
    if (thread.state >= 0) {
      marks_.data()[thread.state] = generation_;
      current_[count_++] = thread;
    }
    return true;
  }

  const TbmREDFATable& table_;
  const Text& text_;
  const int length_;
  const bool lineHeads_;
  const bool lineTails_;
  const bool firstHitEnds_;
  const bool maySkip_;  // false when the start state accepts: every position then matches
  ScratchArray<Thread> firstList_;
  ScratchArray<Thread> secondList_;
  ScratchArray<uint32_t> marks_;  // the generation of the list each state was last put in
  Thread* current_;
  Thread* next_;
  int count_ = 0;  // threads in current_
  uint32_t generation_ = 1;
  int position_ = 0;
  bool atLineHead_ = false;
  bool covered_ = false;  // a thread covers the start state: a new attempt cannot win
  int bestStart_ = -1;
  int bestEnd_ = -1;
};

}  // namespace

namespace {

TbmREMatch Search(const TbmREDFATable& table, std::string_view text, int start, uint8_t charCode,
                  bool firstHitEnds) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
  const int length = static_cast<int>(text.size());
  if (start < 0 || start > length || table.StateCount() == 0) return {};
  if (charCode == bmccUnicode) {
    const Utf16Text utf16(text);
    return Searcher<Utf16Text>(table, utf16, length, firstHitEnds).Run(start);
  }
  const MultiByteText multiByte(text, charCode);
  return Searcher<MultiByteText>(table, multiByte, length, firstHitEnds).Run(start);
}

}  // namespace

TbmREMatch SearchDFA(const TbmREDFATable& table, std::string_view text, int start,
                     uint8_t charCode) {
  return Search(table, text, start, charCode, false);
}

bool ContainsMatch(const TbmREDFATable& table, std::string_view text, uint8_t charCode) {
  return Search(table, text, 0, charCode, true).Offset >= 0;
}

}  // namespace kelmo
