// The subset construction, transition lookup and the start-byte filter.
#include "regex/automaton.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace kelmo {

namespace {

constexpr int kWordBits = 64;
constexpr int kLineFeed = '\n';
constexpr int kCarriageReturn = '\r';
constexpr int kByteValues = 256;

}  // namespace

void AddTransition(std::vector<TbmRETransition>& reversed, int32_t lo, int32_t hi, int32_t target) {
  if (!reversed.empty() && reversed.back().Lo == hi + 1 && reversed.back().Target == target) {
    reversed.back().Lo = lo;
    return;
  }
  reversed.push_back({lo, hi, target});
}

// Builds the states of one table. Position sets live in `sets_`, one row of `words_` words per
// state, found again by hash; the per-state scratch is sized once and reused with stamps.
class TbmREDFABuilder {
 public:
  TbmREDFABuilder(const TbmRETree& tree, TbmREDFATable& table)
      : tree_(tree),
        table_(table),
        words_(tree.SetWords()),
        labelStamp_(tree.LabelCount(), 0),
        labelGroup_(tree.LabelCount(), -1),
        current_(words_) {
    ClassifyLeaves();
  }

  void Run() {
    table_.hasLineHead_ = tree_.HasLineHead();
    table_.hasLineTail_ = tree_.HasLineTail();
    AddState(tree_.RootFirstPos());
    for (int state = 0; state < StateCount(); ++state) BuildState(state);
    const auto start = Row(sets_, 0);
    for (int state = 0; state < StateCount(); ++state) {
      const auto set = Row(sets_, state);
      bool covers = true;
      for (int word = 0; word < words_ && covers; ++word)
        covers = (set[word] & start[word]) == start[word];
      table_.states_[state].CoversStart = covers;
    }
  }

 private:
  int StateCount() const { return index_.Count(); }

  // Leaves with the same label and the same FollowPos are interchangeable when transitions are
  // computed: they form one class, visited once per state.
  void ClassifyLeaves() {
    TbmREHashIndex index;
    std::vector<uint64_t> keys;  // label and follow id of each class
    leafClasses_.resize(tree_.LeafCount());
    followWords_.resize(tree_.LeafCount());
    for (int leaf = 0; leaf < tree_.LeafCount(); ++leaf) {
      const auto follow = tree_.FollowPos(leaf);
      int first = 0;
      int end = words_;
      while (first < end && follow[first] == 0) ++first;
      while (end > first && follow[end - 1] == 0) --end;
      followWords_[leaf] = {first, end};
      const uint64_t key = static_cast<uint64_t>(tree_.LeafLabel(leaf)) << 32 |
                           static_cast<uint32_t>(tree_.FollowId(leaf));
      bool inserted = false;
      leafClasses_[leaf] = index.FindOrInsert(
          HashWords({&key, 1}), [&](int id) { return keys[id] == key; }, inserted);
      if (inserted) keys.push_back(key);
    }
    classStamp_.assign(index.Count(), 0);
  }

  std::span<uint64_t> Row(std::vector<uint64_t>& table, int row) {
    return {table.data() + static_cast<size_t>(row) * words_, static_cast<size_t>(words_)};
  }

  static void OrInto(std::span<uint64_t> target, std::span<const uint64_t> source) {
    for (size_t index = 0; index < target.size(); ++index) target[index] |= source[index];
  }

  static bool IsEmpty(std::span<const uint64_t> set) {
    return std::all_of(set.begin(), set.end(), [](uint64_t word) { return word == 0; });
  }

  // The state of `set`, added at the end of the table if new.
  int AddState(std::span<const uint64_t> set) {
    bool inserted = false;
    const int state = index_.FindOrInsert(
        HashWords(set), [&](int id) { return std::ranges::equal(Row(sets_, id), set); }, inserted);
    if (inserted) {
      if (StateCount() > kMaxStates) {
        throw EbmREToken(TbmRETokenKind::TooComplex, tree_.WholePattern());
      }
      sets_.insert(sets_.end(), set.begin(), set.end());
    }
    return state;
  }

  // Groups the positions of `state` by label, each group holding the union of the FollowPos
  // of its positions; returns whether the end marker is among them.
  bool GroupPositions(int state) {
    const uint32_t stamp = static_cast<uint32_t>(state) + 1;
    const int endLeaf = tree_.EndLeaf();
    bool accepting = false;
    groupLabels_.clear();
    std::copy_n(Row(sets_, state).begin(), words_, current_.begin());
    for (int word = 0; word < words_; ++word) {
      for (uint64_t bits = current_[word]; bits != 0; bits &= bits - 1) {
        const int leaf = word * kWordBits + std::countr_zero(bits);
        if (leaf == endLeaf) {
          accepting = true;
          continue;
        }
        if (classStamp_[leafClasses_[leaf]] == stamp) continue;  // nothing new after the first
        const int label = tree_.LeafLabel(leaf);
        if (labelStamp_[label] != stamp) {
          labelStamp_[label] = stamp;
          labelGroup_[label] = static_cast<int32_t>(groupLabels_.size());
          groupLabels_.push_back(label);
          groupSets_.resize(groupLabels_.size() * words_);
          std::fill_n(groupSets_.end() - words_, words_, 0);
        }
        classStamp_[leafClasses_[leaf]] = stamp;
        const auto [first, end] = followWords_[leaf];
        const auto target = Row(groupSets_, labelGroup_[label]);
        const auto follow = tree_.FollowPos(leaf);
        for (int word = first; word < end; ++word) target[word] |= follow[word];
      }
    }
    return accepting;
  }

  // The transition on lo..hi to the state of `set`, unless the set is empty.
  void Emit(int32_t lo, int32_t hi, std::span<const uint64_t> set) {
    if (IsEmpty(set)) return;
    AddTransition(reversed_, lo, hi, AddState(set));
  }

  void BuildState(int state) {
    const bool accepting = GroupPositions(state);
    reversed_.clear();
    const bool single = groupLabels_.size() == 1 && tree_.Label(groupLabels_[0]).size() == 1;
    if (single) {
      const TbmRERange range = tree_.Label(groupLabels_[0])[0];
      Emit(range.Lo, range.Hi, Row(groupSets_, 0));
    } else if (!groupLabels_.empty()) {
      EmitPartition();
    }

    TbmREState record;
    record.First = static_cast<int32_t>(table_.transitions_.size());
    record.Last = record.First + static_cast<int32_t>(reversed_.size());
    record.CharFirst = record.First;
    record.Accepting = accepting;
    for (auto transition = reversed_.rbegin(); transition != reversed_.rend(); ++transition) {
      if (transition->Lo < 0) ++record.CharFirst;
      if (transition->Lo <= kCodeLineTail && kCodeLineTail <= transition->Hi) {
        record.LineTail = true;
      }
      table_.transitions_.push_back(*transition);
    }
    table_.states_.push_back(record);
  }

  // Splits the codes of the state's labels into the coarsest partition and emits, from the
  // highest range down, each range with the union of the groups whose label covers it.
  void EmitPartition() {
    partition_.Clear();
    for (const int label : groupLabels_) {
      for (const TbmRERange& range : tree_.Label(label)) partition_.AddRange(range.Lo, range.Hi);
    }
    rangeSets_.assign(static_cast<size_t>(partition_.Count()) * words_, 0);
    for (size_t group = 0; group < groupLabels_.size(); ++group) {
      const auto set = Row(groupSets_, static_cast<int>(group));
      for (const TbmRERange& range : tree_.Label(groupLabels_[group])) {
        int index = partition_.FindRange(range.Lo, std::numeric_limits<int32_t>::min());
        for (; index < partition_.Count() && partition_[index].Hi <= range.Hi; ++index) {
          OrInto(Row(rangeSets_, index), set);
        }
      }
    }
    for (int index = partition_.Count() - 1; index >= 0; --index) {
      Emit(partition_[index].Lo, partition_[index].Hi, Row(rangeSets_, index));
    }
  }

  const TbmRETree& tree_;
  TbmREDFATable& table_;
  const int words_;
  TbmREHashIndex index_;        // position set -> state
  std::vector<uint64_t> sets_;  // position set of each state
  // Scratch of one state: stamps are the state number + 1, so nothing is cleared per state.
  std::vector<uint32_t> labelStamp_;
  std::vector<int32_t> labelGroup_;
  std::vector<int32_t> leafClasses_;
  std::vector<std::pair<int32_t, int32_t>> followWords_;  // the non-zero words of FollowPos
  std::vector<uint32_t> classStamp_;
  std::vector<uint64_t> current_;
  std::vector<int32_t> groupLabels_;
  std::vector<uint64_t> groupSets_;
  TbmREWchRanges partition_;
  std::vector<uint64_t> rangeSets_;
  std::vector<TbmRETransition> reversed_;
};

void TbmREDFATable::Build(const TbmRETree& tree) {
  TbmREDFATable built;
  TbmREDFABuilder(tree, built).Run();
  built.states_.shrink_to_fit();
  built.transitions_.shrink_to_fit();
  built.PrepareSearch();
  *this = std::move(built);
}

int TbmREDFATable::NextState(int state, int code) const {
  if (code == kCodeEnd) return -1;
  for (const TbmRETransition& transition : Transitions(state)) {
    if (code < transition.Lo) break;
    if (code <= transition.Hi) return transition.Target;
  }
  return -1;
}

const TbmRETransition* TbmREDFATable::FindTransition(const TbmRETransition* first,
                                                     const TbmRETransition* last, int code) {
  const TbmRETransition* found = std::lower_bound(
      first, last, code, [](const TbmRETransition& t, int value) { return t.Hi < value; });
  return found != last && found->Lo <= code ? found : nullptr;
}

void TbmREDFATable::PrepareSearch() {
  startBytes_.fill(0);
  startTrails_.fill(0);
  lineHeadState_ = -1;
  firstCode_ = -1;
  startsOnlyAtLineBreaks_ = false;
  if (states_.empty()) return;
  const TbmREState& start = states_[0];
  const auto mark = [](ByteSet& set, int byte) { set[byte / 64] |= uint64_t{1} << (byte % 64); };
  if (hasLineHead_) lineHeadState_ = NextState(0, kCodeLineHead);
  if (start.Accepting) {
    startBytes_.fill(~uint64_t{0});
    startTrails_.fill(~uint64_t{0});
    return;
  }
  startsOnlyAtLineBreaks_ = start.CharFirst == start.Last;
  if (!hasLineHead_ && !start.LineTail && start.Last - start.CharFirst == 1) {
    const TbmRETransition& only = transitions_[start.CharFirst];
    if (only.Lo == only.Hi) firstCode_ = only.Lo;
  }
  // A character starts with its own byte when single, with its lead byte when double.
  for (int index = start.CharFirst; index < start.Last; ++index) {
    const TbmRETransition& transition = transitions_[index];
    for (int byte = transition.Lo; byte <= std::min(transition.Hi, kByteValues - 1); ++byte) {
      mark(startBytes_, byte);
    }
    if (transition.Hi < kByteValues) continue;
    const int lo = std::max(transition.Lo, kByteValues);
    for (int lead = lo / kByteValues; lead <= std::min(transition.Hi / kByteValues, 255); ++lead) {
      mark(startBytes_, lead);
    }
    if (transition.Hi - lo >= kByteValues - 1) {
      startTrails_.fill(~uint64_t{0});
    } else {
      for (int code = lo; code <= transition.Hi; ++code) mark(startTrails_, code % kByteValues);
    }
  }
  // Line breaks start line-head threads and end lines for the line-tail anchor.
  if (hasLineHead_ || start.LineTail) {
    mark(startBytes_, kLineFeed);
    mark(startBytes_, kCarriageReturn);
  }
}

}  // namespace kelmo
