// The parser and the position tree.
//
// `Build` parses a standardized token list into a tree whose leaves are the positions of the
// pattern: each leaf stands for one character of its label, a sorted list of code ranges (a
// literal, a bracket expression, `.`, an anchor, or the end marker -1 appended after the whole
// pattern). Equal labels are shared, so leaves can be grouped by label id.
//
// From the tree it computes, for every leaf, FollowPos: the positions that may come next in a
// match. Sets of positions are bitsets of LeafCount() bits. FirstPos and Nullable are computed
// bottom-up in creation order (children are always made before their parents); FollowPos is
// computed top-down in reverse creation order as the set that may follow the end of each node
// (for Cat(c1, c2) the end of c1 is followed by FirstPos(c2), and by what follows the Cat if c2
// is nullable; a closure's end is followed by its own FirstPos). A leaf's set is its FollowPos.
// `x+` is Cat(x, Closure(x)) over the same node x, so the tree is a DAG; both passes handle that.
//
// Finally the anchors are settled: `^` anchors only where it can begin a match of the whole
// pattern and `$` only where nothing but the end can follow it; elsewhere they are the literal
// characters `^` and `$`.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "regex/hash_index.h"
#include "regex/partition.h"
#include "regex/tokens.h"

namespace kelmo {

// Limits on what the parser accepts; beyond them it raises "pattern too complex".
inline constexpr int kMaxGroupDepth = 1000;  // groups nested deeper than this are refused
// Nodes times leaf-set words (the size of the two per-node set tables) is refused above this:
// 2.5 Mi words, 40 MB at most, which every pattern of up to 4 KB stays below.
inline constexpr int64_t kMaxPositionSetWords = 5 << 19;

enum class TbmRENodeKind : uint8_t {
  Char,     // a leaf: one character of the leaf's label
  Epsilon,  // the empty string
  Nothing,  // no string at all: a bracket expression whose items cover every character
  Cat,      // Left then Right
  Union,    // Left or Right
  Closure,  // Left, zero or more times
};

struct TbmRENode {
  TbmRENodeKind Kind;
  int32_t Left = -1;   // first operand of Cat, Union and Closure
  int32_t Right = -1;  // second operand of Cat and Union
  int32_t Leaf = -1;   // the leaf number of a Char node
};

class TbmRETree {
 public:
  // Parses `tokens` (standardized, ending in End), appends the end marker, computes the
  // position sets and settles the anchors. Throws EbmREToken: "invalid character" for tokens
  // after a complete pattern, "need right parenthesis", "need right bracket", "need normal char
  // or left parenthesis", and "pattern too complex" past kMaxGroupDepth or
  // kMaxPositionSetWords. Any earlier content is discarded first.
  void Build(const TbmRETokens& tokens);

  // The nodes, children before parents; Root() is the last one.
  const std::vector<TbmRENode>& Nodes() const { return nodes_; }
  int Root() const { return static_cast<int>(nodes_.size()) - 1; }

  // Leaves are numbered in creation order; the end marker is the last one.
  int LeafCount() const { return static_cast<int>(leafLabels_.size()); }
  int EndLeaf() const { return LeafCount() - 1; }
  int LeafLabel(int leaf) const { return leafLabels_[leaf]; }

  // Labels: sorted disjoint code ranges, equal labels having one id.
  int LabelCount() const { return static_cast<int>(labelStarts_.size()) - 1; }
  std::span<const TbmRERange> Label(int label) const {
    return {labelRanges_.data() + labelStarts_[label],
            labelRanges_.data() + labelStarts_[label + 1]};
  }

  // Position sets are SetWords() words; bit i stands for leaf i.
  int SetWords() const { return setWords_; }
  std::span<const uint64_t> RootFirstPos() const { return rootFirstPos_; }
  std::span<const uint64_t> FollowPos(int leaf) const {
    return {followPos_.data() + static_cast<size_t>(leaf) * setWords_,
            static_cast<size_t>(setWords_)};
  }
  // Leaves with equal FollowPos have the same follow id.
  int FollowId(int leaf) const { return followIds_[leaf]; }

  // A token spanning the whole pattern, for errors that no single token causes.
  TbmRETokenRec WholePattern() const;

  // Whether a line-head or line-tail anchor survived as an anchor.
  bool HasLineHead() const { return hasLineHead_; }
  bool HasLineTail() const { return hasLineTail_; }

 private:
  // Recursive descent over tokens_ from cursor_.
  int ParseUnion();
  int ParseCat();
  int ParsePostfix();
  int ParsePrimary();
  int ParseClass();
  const TbmRETokenRec& Current() const;
  void Advance() { ++cursor_; }

  int AddNode(TbmRENodeKind kind, int left = -1, int right = -1);
  int AddLeaf(int label);
  // The id of the label made of `ranges` (sorted, disjoint), interned.
  int InternLabel(std::span<const TbmRERange> ranges);
  int InternRange(int32_t lo, int32_t hi);

  void ComputePositions();
  void InternFollowSets();
  void FixAnchors();
  // Whether FollowPos(leaf) is exactly the end marker.
  bool FollowsOnlyEnd(int leaf) const;

  const TbmRETokens* tokens_ = nullptr;
  int cursor_ = 0;
  int depth_ = 0;

  std::vector<TbmRENode> nodes_;
  std::vector<int32_t> leafLabels_;
  std::vector<TbmRERange> labelRanges_;
  std::vector<int32_t> labelStarts_;  // label i is labelRanges_[starts[i]..starts[i+1])
  TbmREHashIndex labelIndex_;
  std::vector<TbmRERange> classRanges_;  // scratch for the items of a bracket expression

  int setWords_ = 0;
  std::vector<uint64_t> rootFirstPos_;
  std::vector<uint64_t> followPos_;  // LeafCount() rows of setWords_
  std::vector<int32_t> followIds_;
  int32_t patternLength_ = 0;
  bool hasLineHead_ = false;
  bool hasLineTail_ = false;
};

}  // namespace kelmo
