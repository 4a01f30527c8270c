// The parser, the position sets and the anchor rules.
#include "regex/parse_tree.h"

#include <algorithm>

namespace kelmo {

namespace {

// The codes `.` matches: everything but LF (10) and CR (13).
constexpr TbmRERange kDotRanges[] = {{0, 9}, {11, 12}, {14, kMaxCharCode}};

// The literal characters an anchor falls back to.
constexpr int32_t kCaret = '^';
constexpr int32_t kDollar = '$';

constexpr int kWordBits = 64;

bool EndsConcatenation(TbmRETokenKind kind) {
  return kind == TbmRETokenKind::Union || kind == TbmRETokenKind::RightParen ||
         kind == TbmRETokenKind::End;
}

uint64_t RangeWord(const TbmRERange& range) {
  return static_cast<uint64_t>(static_cast<uint32_t>(range.Lo)) << 32 |
         static_cast<uint32_t>(range.Hi);
}

uint64_t HashRanges(std::span<const TbmRERange> ranges) {
  uint64_t words[8];
  uint64_t hash = ranges.size();
  for (size_t start = 0; start < ranges.size(); start += std::size(words)) {
    const size_t count = std::min(std::size(words), ranges.size() - start);
    for (size_t index = 0; index < count; ++index) words[index] = RangeWord(ranges[start + index]);
    hash ^= HashWords({words, count}) + (hash << 6);
  }
  return hash;
}

bool TestBit(std::span<const uint64_t> set, int bit) {
  return (set[bit / kWordBits] >> (bit % kWordBits)) & 1;
}

}  // namespace

void TbmRETree::Build(const TbmRETokens& tokens) {
  *this = TbmRETree();
  tokens_ = &tokens;
  labelStarts_.push_back(0);
  const int pattern = ParseUnion();
  if (Current().Kind != TbmRETokenKind::End) {
    throw EbmREToken(TbmRETokenKind::InvalidChar, Current());
  }
  patternLength_ = Current().Start;
  const int endLeaf = AddLeaf(InternRange(kCodeEnd, kCodeEnd));
  AddNode(TbmRENodeKind::Cat, pattern, endLeaf);
  ComputePositions();
  InternFollowSets();
  FixAnchors();
  tokens_ = nullptr;
}

const TbmRETokenRec& TbmRETree::Current() const {
  static const TbmRETokenRec kEnd{TbmRETokenKind::End};
  if (cursor_ < tokens_->Count()) return (*tokens_)[cursor_];
  return tokens_->Count() > 0 ? (*tokens_)[tokens_->Count() - 1] : kEnd;
}

TbmRETokenRec TbmRETree::WholePattern() const {
  return {TbmRETokenKind::End, kCodeEnd, kCodeEnd, 0, patternLength_};
}

int TbmRETree::ParseUnion() {
  int node = ParseCat();
  while (Current().Kind == TbmRETokenKind::Union) {
    Advance();
    const int alternative = ParseCat();
    node = AddNode(TbmRENodeKind::Union, node, alternative);
  }
  return node;
}

int TbmRETree::ParseCat() {
  if (EndsConcatenation(Current().Kind)) return AddNode(TbmRENodeKind::Epsilon);
  int node = ParsePostfix();
  while (!EndsConcatenation(Current().Kind)) {
    const int next = ParsePostfix();
    node = AddNode(TbmRENodeKind::Cat, node, next);
  }
  return node;
}

int TbmRETree::ParsePostfix() {
  int node = ParsePrimary();
  switch (Current().Kind) {
    case TbmRETokenKind::Asterisk:
      node = AddNode(TbmRENodeKind::Closure, node);
      break;
    case TbmRETokenKind::Plus: {
      const int repeat = AddNode(TbmRENodeKind::Closure, node);
      node = AddNode(TbmRENodeKind::Cat, node, repeat);
      break;
    }
    case TbmRETokenKind::Question: {
      const int empty = AddNode(TbmRENodeKind::Epsilon);
      node = AddNode(TbmRENodeKind::Union, node, empty);
      break;
    }
    default:
      return node;
  }
  Advance();
  return node;
}

int TbmRETree::ParsePrimary() {
  const TbmRETokenRec& token = Current();
  int node = -1;
  switch (token.Kind) {
    case TbmRETokenKind::Char:
      node = AddLeaf(InternRange(token.Lo, token.Hi));
      break;
    case TbmRETokenKind::LeftParen:
      if (++depth_ > kMaxGroupDepth) throw EbmREToken(TbmRETokenKind::TooComplex, token);
      Advance();
      node = ParseUnion();
      if (Current().Kind != TbmRETokenKind::RightParen) {
        throw EbmREToken(TbmRETokenKind::NeedRightParen, Current());
      }
      --depth_;
      break;
    case TbmRETokenKind::LeftBracket:
      node = ParseClass();
      if (Current().Kind != TbmRETokenKind::RightBracket) {
        throw EbmREToken(TbmRETokenKind::NeedRightBracket, Current());
      }
      break;
    case TbmRETokenKind::Dot:
      node = AddLeaf(InternLabel(kDotRanges));
      break;
    case TbmRETokenKind::LineHead:
      node = AddLeaf(InternRange(kCodeLineHead, kCodeLineHead));
      break;
    case TbmRETokenKind::LineTail:
      node = AddLeaf(InternRange(kCodeLineTail, kCodeLineTail));
      break;
    default:
      throw EbmREToken(TbmRETokenKind::NeedOperand, token);
  }
  Advance();
  return node;
}

int TbmRETree::ParseClass() {
  Advance();
  classRanges_.clear();
  for (;; Advance()) {
    const TbmRETokenRec& item = Current();
    if (item.Kind != TbmRETokenKind::Char && item.Kind != TbmRETokenKind::CharClass) break;
    classRanges_.push_back({item.Lo, item.Hi});
  }
  if (classRanges_.empty()) return AddNode(TbmRENodeKind::Nothing);
  std::sort(classRanges_.begin(), classRanges_.end(),
            [](const TbmRERange& a, const TbmRERange& b) { return a.Lo < b.Lo; });
  size_t merged = 0;
  for (const TbmRERange& range : classRanges_) {
    if (merged > 0 && range.Lo <= classRanges_[merged - 1].Hi + 1) {
      classRanges_[merged - 1].Hi = std::max(classRanges_[merged - 1].Hi, range.Hi);
    } else {
      classRanges_[merged++] = range;
    }
  }
  classRanges_.resize(merged);
  return AddLeaf(InternLabel(classRanges_));
}

int TbmRETree::AddNode(TbmRENodeKind kind, int left, int right) {
  nodes_.push_back({kind, left, right, -1});
  return static_cast<int>(nodes_.size()) - 1;
}

int TbmRETree::AddLeaf(int label) {
  const int node = AddNode(TbmRENodeKind::Char);
  nodes_[node].Leaf = static_cast<int32_t>(leafLabels_.size());
  leafLabels_.push_back(label);
  return node;
}

int TbmRETree::InternLabel(std::span<const TbmRERange> ranges) {
  bool inserted = false;
  const int label = labelIndex_.FindOrInsert(
      HashRanges(ranges), [&](int id) { return std::ranges::equal(Label(id), ranges); }, inserted);
  if (inserted) {
    labelRanges_.insert(labelRanges_.end(), ranges.begin(), ranges.end());
    labelStarts_.push_back(static_cast<int32_t>(labelRanges_.size()));
  }
  return label;
}

int TbmRETree::InternRange(int32_t lo, int32_t hi) {
  const TbmRERange range{lo, hi};
  return InternLabel({&range, 1});
}

void TbmRETree::ComputePositions() {
  const int leaves = LeafCount();
  const int nodeCount = static_cast<int>(nodes_.size());
  setWords_ = (leaves + kWordBits - 1) / kWordBits;
  const size_t words = static_cast<size_t>(setWords_);
  if (static_cast<int64_t>(nodeCount) * setWords_ > kMaxPositionSetWords) {
    throw EbmREToken(TbmRETokenKind::TooComplex, WholePattern());
  }
  std::vector<uint64_t> first(nodeCount * words);   // FirstPos of each node
  std::vector<uint64_t> follow(nodeCount * words);  // what may follow the end of each node
  std::vector<uint8_t> nullable(nodeCount);
  const auto row = [words](std::vector<uint64_t>& table, int node) {
    return std::span<uint64_t>(table.data() + node * words, words);
  };
  const auto orInto = [](std::span<uint64_t> target, std::span<const uint64_t> source) {
    for (size_t index = 0; index < target.size(); ++index) target[index] |= source[index];
  };

  for (int node = 0; node < nodeCount; ++node) {
    const TbmRENode& n = nodes_[node];
    switch (n.Kind) {
      case TbmRENodeKind::Char:
        row(first, node)[n.Leaf / kWordBits] |= uint64_t{1} << (n.Leaf % kWordBits);
        break;
      case TbmRENodeKind::Epsilon:
        nullable[node] = true;
        break;
      case TbmRENodeKind::Nothing:
        break;
      case TbmRENodeKind::Cat:
        nullable[node] = nullable[n.Left] && nullable[n.Right];
        orInto(row(first, node), row(first, n.Left));
        if (nullable[n.Left]) orInto(row(first, node), row(first, n.Right));
        break;
      case TbmRENodeKind::Union:
        nullable[node] = nullable[n.Left] || nullable[n.Right];
        orInto(row(first, node), row(first, n.Left));
        orInto(row(first, node), row(first, n.Right));
        break;
      case TbmRENodeKind::Closure:
        nullable[node] = true;
        orInto(row(first, node), row(first, n.Left));
        break;
    }
  }

  // Parents come after their children, so walking backwards finishes each node's set before
  // passing it on; a node shared by two parents collects from both.
  for (int node = nodeCount - 1; node >= 0; --node) {
    const TbmRENode& n = nodes_[node];
    switch (n.Kind) {
      case TbmRENodeKind::Cat:
        orInto(row(follow, n.Right), row(follow, node));
        orInto(row(follow, n.Left), row(first, n.Right));
        if (nullable[n.Right]) orInto(row(follow, n.Left), row(follow, node));
        break;
      case TbmRENodeKind::Union:
        orInto(row(follow, n.Left), row(follow, node));
        orInto(row(follow, n.Right), row(follow, node));
        break;
      case TbmRENodeKind::Closure:
        orInto(row(follow, n.Left), row(first, n.Left));
        orInto(row(follow, n.Left), row(follow, node));
        break;
      default:
        break;
    }
  }

  followPos_.assign(static_cast<size_t>(leaves) * words, 0);
  for (int node = 0; node < nodeCount; ++node) {
    if (nodes_[node].Kind != TbmRENodeKind::Char) continue;
    const auto source = row(follow, node);
    std::copy(source.begin(), source.end(), followPos_.begin() + nodes_[node].Leaf * words);
  }
  const auto rootFirst = row(first, Root());
  rootFirstPos_.assign(rootFirst.begin(), rootFirst.end());
}

void TbmRETree::InternFollowSets() {
  TbmREHashIndex index;
  std::vector<int32_t> representative;  // a leaf of each follow id
  followIds_.resize(LeafCount());
  for (int leaf = 0; leaf < LeafCount(); ++leaf) {
    const auto set = FollowPos(leaf);
    bool inserted = false;
    followIds_[leaf] = index.FindOrInsert(
        HashWords(set),
        [&](int id) { return std::ranges::equal(FollowPos(representative[id]), set); }, inserted);
    if (inserted) representative.push_back(leaf);
  }
}

void TbmRETree::FixAnchors() {
  const TbmRERange lineHead{kCodeLineHead, kCodeLineHead};
  const TbmRERange lineTail{kCodeLineTail, kCodeLineTail};
  for (int leaf = 0; leaf < LeafCount(); ++leaf) {
    const auto label = Label(leafLabels_[leaf]);
    if (label.size() != 1) continue;
    const TbmRERange range = label[0];
    if (range == lineHead) {
      if (TestBit(rootFirstPos_, leaf)) {
        hasLineHead_ = true;
      } else {
        leafLabels_[leaf] = InternRange(kCaret, kCaret);
      }
    } else if (range == lineTail) {
      if (FollowsOnlyEnd(leaf)) {
        hasLineTail_ = true;
      } else {
        leafLabels_[leaf] = InternRange(kDollar, kDollar);
      }
    }
  }
}

bool TbmRETree::FollowsOnlyEnd(int leaf) const {
  const auto follow = FollowPos(leaf);
  const int endWord = EndLeaf() / kWordBits;
  const uint64_t endBit = uint64_t{1} << (EndLeaf() % kWordBits);
  for (int index = 0; index < setWords_; ++index) {
    if (follow[index] != (index == endWord ? endBit : 0)) return false;
  }
  return true;
}

}  // namespace kelmo
