// The search against two independent references, on random patterns and texts.
//
// Both references walk the start positions one by one, as a reader would, and try each:
// RestartingThreads runs the automaton from that start (the plain form of the search, one
// attempt at a time), TreeEvaluation evaluates the parse tree itself on sets of text positions,
// without any automaton. The side-by-side search must agree with both on every case.
#include "regex/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "regex/char_reader.h"
#include "regex/scanner.h"

namespace kelmo {
namespace {

constexpr int kLineFeed = '\n';
constexpr int kCarriageReturn = '\r';

struct Compiled {
  TbmRETree tree;
  TbmREDFATable table;
};

// Compiles `pattern`; false for a pattern beyond the limits.
bool CompilePattern(const std::string& pattern, Compiled& compiled) {
  TbmREScanner scanner;
  scanner.SetText(pattern);
  TbmRETokens tokens;
  tokens.Tokenize(scanner);
  tokens.Standardize();
  try {
    compiled.tree.Build(tokens);
    compiled.table.Build(compiled.tree);
  } catch (const EbmREToken&) {
    return false;
  }
  return true;
}

// The longest match from `start` (an attempt), as an end offset, or -1.
using Attempt = std::function<int(int start, bool lineHead)>;

// Walks the start positions with a Shift-JIS reader and tries each until one matches.
TbmREMatch WalkStarts(const TbmREDFATable& table, const std::string& text, int start,
                      const Attempt& attempt) {
  const int length = static_cast<int>(text.size());
  TbmMBCSReader reader(bmccSJIS);
  reader.SetTextBuff(text.data(), length);
  reader.SetPos(start);
  const auto lineHeadAfter = [&](int code) {
    if (code == kLineFeed) return true;
    if (code != kCarriageReturn) return false;
    const int next = reader.ReadChar();
    reader.UnreadChar();
    return next != kLineFeed;
  };
  bool lineHead = false;
  if (table.HasLineHead()) {
    if (start == 0) {
      lineHead = true;
    } else {
      reader.UnreadChar();
      lineHead = lineHeadAfter(reader.ReadChar());
    }
  }
  for (;;) {
    const int position = std::min(reader.GetPos(), length);
    const int end = attempt(position, lineHead);
    if (end >= 0) return {position, end - position};
    const int code = reader.ReadChar();
    lineHead = table.HasLineHead() && lineHeadAfter(code);
    if (code == kEndOfText) return {};
  }
}

// One attempt at a time: the start thread, and the line-head thread where it applies.
TbmREMatch RestartingThreads(const TbmREDFATable& table, const std::string& text, int start) {
  const int length = static_cast<int>(text.size());
  const int headState = table.NextState(0, kCodeLineHead);
  return WalkStarts(table, text, start, [&](int position, bool lineHead) {
    TbmMBCSReader reader(bmccSJIS);
    reader.SetTextBuff(text.data() + position, length - position);
    int threads[2] = {0, lineHead ? headState : -1};
    int end = -1;
    while (threads[0] >= 0 || threads[1] >= 0) {
      const int consumed = std::min(reader.GetPos(), length - position);
      const int code = reader.ReadChar();
      const bool lineEnd = code == kEndOfText || code == kLineFeed || code == kCarriageReturn;
      for (int& state : threads) {
        if (state < 0) continue;
        if (table.State(state).Accepting) end = position + consumed;
        const int before = state;
        state = table.NextState(state, code);
        if (table.HasLineTail() && lineEnd && table.NextState(before, kCodeLineTail) >= 0) {
          end = position + consumed;
        }
      }
    }
    return end;
  });
}

// Evaluates the tree on sets of positions: the ends reachable from `from` through `node`.
class TreeEvaluator {
 public:
  TreeEvaluator(const TbmRETree& tree, const std::string& text, int start, bool lineHead)
      : tree_(tree),
        bytes_(reinterpret_cast<const uint8_t*>(text.data())),
        length_(static_cast<int>(text.size())),
        start_(start),
        lineHead_(lineHead) {}

  std::set<int> Ends(int node, const std::set<int>& from) const {
    const TbmRENode& n = tree_.Nodes()[node];
    switch (n.Kind) {
      case TbmRENodeKind::Char:
        return Step(n.Leaf, from);
      case TbmRENodeKind::Epsilon:
        return from;
      case TbmRENodeKind::Nothing:
        return {};
      case TbmRENodeKind::Cat:
        return Ends(n.Right, Ends(n.Left, from));
      case TbmRENodeKind::Union: {
        std::set<int> ends = Ends(n.Left, from);
        const std::set<int> right = Ends(n.Right, from);
        ends.insert(right.begin(), right.end());
        return ends;
      }
      case TbmRENodeKind::Closure: {
        std::set<int> ends = from;
        std::set<int> frontier = from;
        while (!frontier.empty()) {
          std::set<int> fresh;
          for (const int end : Ends(n.Left, frontier)) {
            if (ends.insert(end).second) fresh.insert(end);
          }
          frontier.swap(fresh);
        }
        return ends;
      }
    }
    return {};
  }

 private:
  std::set<int> Step(int leaf, const std::set<int>& from) const {
    const auto label = tree_.Label(tree_.LeafLabel(leaf));
    std::set<int> ends;
    for (const int position : from) {
      const TbmDecodedChar decoded =
          DecodeMultiByteChar(bytes_, length_, position, LeadByteTable(bmccSJIS));
      const int code = decoded.value;
      const int32_t lo = label[0].Lo;
      if (lo == kCodeEnd) {
        ends.insert(position);
      } else if (lo == kCodeLineHead) {
        if (position == start_ && lineHead_) ends.insert(position);
      } else if (lo == kCodeLineTail) {
        if (code == kEndOfText || code == kLineFeed || code == kCarriageReturn) {
          ends.insert(position);
        }
      } else if (code >= 0 && std::any_of(label.begin(), label.end(), [&](const TbmRERange& r) {
                   return r.Lo <= code && code <= r.Hi;
                 })) {
        ends.insert(std::min(decoded.next, length_));
      }
    }
    return ends;
  }

  const TbmRETree& tree_;
  const uint8_t* bytes_;
  int length_;
  int start_;
  bool lineHead_;
};

TbmREMatch TreeEvaluation(const Compiled& compiled, const std::string& text, int start) {
  return WalkStarts(compiled.table, text, start, [&](int position, bool lineHead) {
    const TreeEvaluator evaluator(compiled.tree, text, position, lineHead);
    const std::set<int> ends = evaluator.Ends(compiled.tree.Root(), {position});
    return ends.empty() ? -1 : *ends.rbegin();
  });
}

// Random patterns over a small alphabet with every construct of the language.
class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  std::string Pattern(int depth = 0) {
    std::string pattern = Sequence(depth);
    while (Chance(4)) pattern += "|" + Sequence(depth);
    return pattern;
  }

  std::string Text() {
    static const char* const kPieces[] = {"a", "b", "\n",       "\r",   "\x82\xa0", "^",
                                          "$", "x", "\x88\x9f", "\r\n", "\x82"};
    std::string text;
    const int pieces = Below(10);
    for (int index = 0; index < pieces; ++index) text += kPieces[Below(std::size(kPieces))];
    return text;
  }

  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

 private:
  bool Chance(int oneIn) { return Below(oneIn) == 0; }

  std::string Sequence(int depth) {
    std::string sequence;
    const int items = Below(4);
    for (int index = 0; index < items; ++index) {
      sequence += Item(depth);
      if (Chance(3)) sequence += "*+?"[Below(3)];
    }
    return sequence;
  }

  std::string Item(int depth) {
    static const char* const kAtoms[] = {"a",    "b", "\x82\xa0",  ".",   "[ab]",
                                         "[^a]", "^", "$",         "\\n", "[a-\x82\xa0]",
                                         "\\r",  "x", "\\x88\\x9f"};
    if (depth < 3 && Chance(4)) return "(" + Pattern(depth + 1) + ")";
    return kAtoms[Below(std::size(kAtoms))];
  }

  std::mt19937 random_;
};

void ExpectSame(const TbmREMatch& actual, const TbmREMatch& expected, const char* reference) {
  EXPECT_EQ(actual.Offset, expected.Offset) << reference;
  EXPECT_EQ(actual.Length, expected.Length) << reference;
}

TEST(SearchReferences, AgreeOnRandomPatternsAndTexts) {
  Generator generator(20240611);
  int compared = 0;
  for (int round = 0; round < 2000; ++round) {
    const std::string pattern = generator.Pattern();
    Compiled compiled;
    if (!CompilePattern(pattern, compiled)) continue;
    for (int sample = 0; sample < 8; ++sample) {
      const std::string text = generator.Text();
      const int start = sample == 0 ? 0 : generator.Below(static_cast<int>(text.size()) + 1);
      SCOPED_TRACE("pattern '" + pattern + "' text '" + text + "' start " + std::to_string(start));
      const TbmREMatch actual = SearchDFA(compiled.table, text, start, bmccSJIS);
      ExpectSame(actual, RestartingThreads(compiled.table, text, start), "restarting threads");
      ExpectSame(actual, TreeEvaluation(compiled, text, start), "tree evaluation");
      EXPECT_EQ(ContainsMatch(compiled.table, text, bmccSJIS),
                SearchDFA(compiled.table, text, 0, bmccSJIS).Offset >= 0)
          << "the search ended at its first match";
      ++compared;
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(compared, 10000);
}

TEST(SearchReferences, AgreeOnLongTextsWhereAttemptsOverlap) {
  Compiled compiled;
  ASSERT_TRUE(CompilePattern("(a|ab)*b|a*x", compiled));
  std::string text(300, 'a');
  text += "b";
  for (const int start : {0, 1, 150}) {
    const TbmREMatch actual = SearchDFA(compiled.table, text, start, bmccSJIS);
    ExpectSame(actual, RestartingThreads(compiled.table, text, start), "restarting threads");
    EXPECT_EQ(actual.Offset, start);
  }
}

}  // namespace
}  // namespace kelmo
