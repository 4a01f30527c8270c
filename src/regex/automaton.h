// The deterministic automaton over character ranges.
//
// Each state stands for a set of positions of the parse tree (the subset construction); state 0
// is the start state, FirstPos of the whole pattern, and further states are numbered in the
// order they are discovered: states in table order, and within a state its ranges from the
// highest to the lowest. A state's transitions are built on the coarsest partition of its
// positions' labels: for each partition range the target is the union of FollowPos of the
// positions whose label covers it. Adjacent ranges with the same target share one transition.
// The anchors are the codes -2 (line head) and -3 (line tail), so their transitions sort first.
//
// The compiled form is compact: all transitions of the table in one flat vector, each state a
// slice of it, targets as state numbers. Compilation keeps the positions sets of the states only
// while building, as bitsets in one flat array interned by hash.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "regex/parse_tree.h"

namespace kelmo {

// An automaton with more states than this is refused as "pattern too complex".
inline constexpr int kMaxStates = 10000;

// A transition on the codes Lo..Hi to state Target.
struct TbmRETransition {
  int32_t Lo;
  int32_t Hi;
  int32_t Target;
};

struct TbmREState {
  int32_t First = 0;      // the state's transitions are [First, Last) of the table's list
  int32_t CharFirst = 0;  // the first of them on a character (Lo >= 0) rather than an anchor
  int32_t Last = 0;
  bool Accepting = false;    // the end marker is among the state's positions
  bool LineTail = false;     // the state has a transition on the line-tail anchor
  bool CoversStart = false;  // its positions include those of the start state, so whatever
                             // matches from the start state also matches from here
};

// Adds the transition (lo, hi, target) before the transitions of a state under construction,
// which arrive from the highest range down and are kept in `reversed` in reverse order: when the
// transition in front starts at hi + 1 and leads to `target`, it is widened down to lo instead.
void AddTransition(std::vector<TbmRETransition>& reversed, int32_t lo, int32_t hi, int32_t target);

class TbmREDFATable {
 public:
  // Replaces the table by the automaton of `tree`. Throws EbmREToken "pattern too complex" if
  // it would have more than kMaxStates states; the table is then unchanged.
  void Build(const TbmRETree& tree);

  int StateCount() const { return static_cast<int>(states_.size()); }
  const TbmREState& State(int state) const { return states_[state]; }
  std::span<const TbmRETransition> Transitions(int state) const {
    return {transitions_.data() + states_[state].First, transitions_.data() + states_[state].Last};
  }
  bool HasLineHead() const { return hasLineHead_; }
  bool HasLineTail() const { return hasLineTail_; }

  // The state reached from `state` on `code` (a character or an anchor code), -1 if none;
  // the end of the text (-1) never has a transition.
  int NextState(int state, int code) const;

  // NextState for a character code (>= 0), as the search runs it.
  int NextCharState(int state, int code) const {
    const TbmRETransition* transition = FindCharTransition(state, code);
    return transition != nullptr ? transition->Target : -1;
  }

  // The transition that NextCharState takes, or nullptr.
  const TbmRETransition* FindCharTransition(int state, int code) const {
    const TbmREState& from = states_[state];
    const TbmRETransition* transition = transitions_.data() + from.CharFirst;
    const TbmRETransition* const last = transitions_.data() + from.Last;
    if (last - transition > kLinearLookupLimit) return FindTransition(transition, last, code);
    for (; transition != last && code >= transition->Lo; ++transition) {
      if (code <= transition->Hi) return transition;
    }
    return nullptr;
  }

  // The state after a line-head anchor at the start, -1 if the pattern has none.
  int LineHeadState() const { return lineHeadState_; }

  // False when a search attempt starting at a character whose first byte is `byte` cannot get
  // anywhere (multi-byte and single-byte codes); always true when the start state accepts.
  bool MayStartAt(uint8_t byte) const { return TestByte(startBytes_, byte); }

  // Likewise for the second byte of a double-byte character.
  bool MayStartWithTrail(uint8_t byte) const { return TestByte(startTrails_, byte); }

  // True when only line breaks (and the end of the text) can begin a match: the start state
  // has no transition on a character and does not accept.
  bool StartsOnlyAtLineBreaks() const { return startsOnlyAtLineBreaks_; }

  // The one character code with which every match begins, or -1 if there is no such code
  // (several, a class, an anchor, or the empty match). The search looks for it with memchr.
  int FirstCode() const { return firstCode_; }

 private:
  friend class TbmREDFABuilder;

  // Transition lists longer than this are searched by bisection.
  static constexpr int kLinearLookupLimit = 8;

  using ByteSet = std::array<uint64_t, 4>;
  static bool TestByte(const ByteSet& set, uint8_t byte) {
    return (set[byte / 64] >> (byte % 64)) & 1;
  }

  static const TbmRETransition* FindTransition(const TbmRETransition* first,
                                               const TbmRETransition* last, int code);

  // Derives LineHeadState(), FirstCode() and the start-byte filter once the states are
  // complete.
  void PrepareSearch();

  std::vector<TbmREState> states_;
  std::vector<TbmRETransition> transitions_;
  bool hasLineHead_ = false;
  bool hasLineTail_ = false;
  int lineHeadState_ = -1;
  int firstCode_ = -1;
  bool startsOnlyAtLineBreaks_ = false;
  ByteSet startBytes_{};
  ByteSet startTrails_{};
};

}  // namespace kelmo
