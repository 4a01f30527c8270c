// The requirement analysis over the position tree.
#include "dictionary/pattern_requirement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <optional>
#include <span>
#include <string_view>

#include "regex/char_reader.h"
#include "regex/parse_tree.h"
#include "regex/scanner.h"

namespace kelmo {
namespace {

using TClause = TRequirementClause;

// A class of at most this many characters is expanded into its characters as exact strings.
constexpr int kMaxExactClassCodes = 4;

// Most pairs of literals compared to find whether one clause implies another.
constexpr size_t kMaxComparedPairs = 64;

// The highest single-byte value.
constexpr int32_t kLastByte = 0xFF;

using TStrings = std::vector<std::string>;

// Strings one of which every match of a node begins (or ends) with; nothing when none is known.
using TAffixes = std::optional<TStrings>;

// A clause with its strength, computed once.
struct Condition {
  TClause Clause;
  int Strength = 0;
};
using TConditions = std::vector<Condition>;

// What the analysis knows of one node. For an exact node, Exact is also its beginnings, its
// endings and (without the empty string) its strongest clause, and none of these is stored.
struct NodeFacts {
  bool HasExact = false;
  TStrings Exact;          // the node's language, when HasExact
  TAffixes Prefixes;       // when not exact
  TAffixes Suffixes;       // when not exact
  TConditions Conditions;  // every match meets them all; strongest first
};

const TStrings* PrefixesOf(const NodeFacts& facts) {
  if (facts.HasExact) return &facts.Exact;
  return facts.Prefixes ? &*facts.Prefixes : nullptr;
}

const TStrings* SuffixesOf(const NodeFacts& facts) {
  if (facts.HasExact) return &facts.Exact;
  return facts.Suffixes ? &*facts.Suffixes : nullptr;
}

void SortUnique(TStrings& strings) {
  std::sort(strings.begin(), strings.end());
  strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
}

bool HasEmptyString(const TStrings& strings) {
  return std::find(strings.begin(), strings.end(), std::string()) != strings.end();
}

// Every string of first followed by every string of second, or nothing when there would be more
// than kMaxExactStrings strings or one longer than kMaxExactLength.
std::optional<TStrings> Product(const TStrings& first, const TStrings& second) {
  if (first.size() * second.size() > kMaxExactStrings) return std::nullopt;
  TStrings product;
  product.reserve(first.size() * second.size());
  for (const std::string& head : first) {
    for (const std::string& tail : second) {
      if (head.size() + tail.size() > kMaxExactLength) return std::nullopt;
      product.push_back(head + tail);
    }
  }
  if (product.size() > 1) SortUnique(product);
  return product;
}

// The strings of both, or nothing when there would be more than kMaxExactStrings.
std::optional<TStrings> Join(const TStrings& first, const TStrings& second) {
  TStrings joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  SortUnique(joined);
  if (joined.size() > kMaxExactStrings) return std::nullopt;
  return joined;
}

// How much a clause narrows the texts: literals more than bytes, longer literals and fewer of
// them more than shorter and more, fewer bytes more than more. At most 0: useless.
int Strength(const TClause& clause) {
  if (clause.Kind == TClause::TKind::FirstBytes) {
    int count = 0;
    for (const uint64_t word : clause.Bytes) count += std::popcount(word);
    return 256 - count;
  }
  if (clause.Strings.empty()) return INT_MAX;
  size_t shortest = clause.Strings[0].size();
  for (const std::string& text : clause.Strings) shortest = std::min(shortest, text.size());
  if (shortest == 0) return 0;
  const int count = static_cast<int>(clause.Strings.size());
  return shortest >= 2 ? 1000 + 100 * static_cast<int>(std::min<size_t>(shortest, 8)) - count
                       : 500 - count;
}

void AddCondition(TConditions& conditions, TClause clause) {
  const int strength = Strength(clause);
  if (strength > 0) conditions.push_back({std::move(clause), strength});
}

// The clause that one of strings occurs, unless one of them is empty. The strings are cut to
// kMaxRequiredLength bytes.
void AddLiterals(TConditions& conditions, const TStrings& strings) {
  if (HasEmptyString(strings)) return;
  TClause clause{TClause::TKind::Literals, strings, {}};
  for (std::string& text : clause.Strings) text.resize(std::min(text.size(), kMaxRequiredLength));
  SortUnique(clause.Strings);
  AddCondition(conditions, std::move(clause));
}

void AddAffixes(TConditions& conditions, const TAffixes& affixes) {
  if (affixes) AddLiterals(conditions, *affixes);
}

TByteSet FirstBytesOf(const TClause& clause) {
  if (clause.Kind == TClause::TKind::FirstBytes) return clause.Bytes;
  TByteSet bytes{};
  for (const std::string& text : clause.Strings) AddByte(bytes, static_cast<uint8_t>(text[0]));
  return bytes;
}

// A clause that holds wherever a or b holds.
TClause Either(const TClause& a, const TClause& b) {
  TClause either;
  if (a.Kind == TClause::TKind::Literals && b.Kind == TClause::TKind::Literals &&
      a.Strings.size() + b.Strings.size() <= kMaxRequiredLiterals) {
    either.Strings = a.Strings;
    either.Strings.insert(either.Strings.end(), b.Strings.begin(), b.Strings.end());
    SortUnique(either.Strings);
    return either;
  }
  either.Kind = TClause::TKind::FirstBytes;
  const TByteSet first = FirstBytesOf(a);
  const TByteSet second = FirstBytesOf(b);
  for (size_t word = 0; word < either.Bytes.size(); ++word) {
    either.Bytes[word] = first[word] | second[word];
  }
  return either;
}

class Analyser {
 public:
  Analyser(const TbmRETree& tree, const TbmLeadByteTable& leadBytes)
      : tree_(tree),
        leadBytes_(leadBytes),
        facts_(tree.Nodes().size()),
        readers_(tree.Nodes().size(), 0) {
    for (const TbmRENode& node : tree.Nodes()) {
      if (node.Kind != TbmRENodeKind::Cat && node.Kind != TbmRENodeKind::Union) continue;
      ++readers_[node.Left];
      ++readers_[node.Right];
    }
  }

  TPatternRequirement Run() {
    // The root joins the pattern to the end marker; the pattern is its left operand.
    const std::vector<TbmRENode>& nodes = tree_.Nodes();
    for (int node = 0; node < tree_.Root(); ++node) facts_[node] = FactsOf(nodes[node]);
    NodeFacts& pattern = facts_[nodes[tree_.Root()].Left];
    TPatternRequirement requirement;
    if (pattern.HasExact) {
      requirement.Kind = TPatternRequirement::TKind::Exact;
      requirement.Strings = std::move(pattern.Exact);
      return requirement;
    }
    for (Condition& condition : pattern.Conditions) {
      requirement.Clauses.push_back(std::move(condition.Clause));
    }
    if (tree_.HasLineHead()) {
      if (const std::optional<TByteSet> bytes = LineHeadBytes()) {
        requirement.HasLineHeadBytes = true;
        requirement.LineHeadBytes = *bytes;
      }
    }
    return requirement;
  }

 private:
  // Appends the bytes a text holds for the character code, or returns false when no decoded
  // text holds that code as one character.
  bool AppendCode(int32_t code, std::string& text) const {
    if (code < 0 || code > kMaxCharCode) return false;
    if (code <= kLastByte) {
      if (leadBytes_[code]) return false;
      text += static_cast<char>(code);
      return true;
    }
    const int lead = code >> 8;
    const int trail = code & kLastByte;
    if (!leadBytes_[lead] || trail == 0) return false;
    text += static_cast<char>(lead);
    text += static_cast<char>(trail);
    return true;
  }

  // Calls visit(offset) for each character start of text; stops when it returns true, and then
  // returns true.
  template <class TVisit>
  bool AnyCharacterStart(const std::string& text, TVisit&& visit) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int length = static_cast<int>(text.size());
    for (int start = 0; start < length;
         start = DecodeMultiByteChar(bytes, length, start, leadBytes_).next) {
      if (visit(start)) return true;
    }
    return false;
  }

  // Whether every text meeting `stronger` meets `weaker`: each of its literals holds one of
  // weaker's literals, or a character starting with one of weaker's bytes, at a character start.
  // Clauses of many literals are not compared (false), which keeps the analysis of hostile
  // alternations short.
  bool Implies(const TClause& stronger, const TClause& weaker) const {
    if (stronger.Strings.size() * std::max<size_t>(weaker.Strings.size(), 1) > kMaxComparedPairs) {
      return false;
    }
    if (stronger.Kind == TClause::TKind::FirstBytes) {
      if (weaker.Kind != TClause::TKind::FirstBytes) return false;
      for (size_t word = 0; word < weaker.Bytes.size(); ++word) {
        if ((stronger.Bytes[word] & ~weaker.Bytes[word]) != 0) return false;
      }
      return true;
    }
    return std::all_of(
        stronger.Strings.begin(), stronger.Strings.end(), [&](const std::string& text) {
          return AnyCharacterStart(text, [&](int start) {
            if (weaker.Kind == TClause::TKind::FirstBytes) {
              return TestByte(weaker.Bytes, static_cast<uint8_t>(text[start]));
            }
            return std::any_of(weaker.Strings.begin(), weaker.Strings.end(),
                               [&](const std::string& literal) {
                                 return text.compare(start, literal.size(), literal) == 0;
                               });
          });
        });
  }

  // Orders conditions strongest first, drops those a stronger one implies and keeps kMaxClauses.
  // The lists are a handful of conditions: an insertion sort, stable, without a buffer.
  void Settle(TConditions& conditions) const {
    for (size_t next = 1; next < conditions.size(); ++next) {
      for (size_t place = next;
           place > 0 && conditions[place - 1].Strength < conditions[place].Strength; --place) {
        std::swap(conditions[place - 1], conditions[place]);
      }
    }
    size_t kept = 0;
    for (size_t index = 0; index < conditions.size() && kept < kMaxClauses; ++index) {
      const bool implied = std::any_of(conditions.begin(), conditions.begin() + kept,
                                       [&](const Condition& stronger) {
                                         return Implies(stronger.Clause, conditions[index].Clause);
                                       });
      if (implied) continue;
      if (kept != index) conditions[kept] = std::move(conditions[index]);
      ++kept;
    }
    conditions.resize(kept);
  }

  // The facts of a child for its parent: moved out when no other parent reads them.
  NodeFacts Take(int node) {
    if (readers_[node] == 1) return std::move(facts_[node]);
    return facts_[node];
  }

  NodeFacts FactsOf(const TbmRENode& node) {
    switch (node.Kind) {
      case TbmRENodeKind::Char:
        return LeafFacts(node.Leaf);
      case TbmRENodeKind::Epsilon: {
        NodeFacts facts;
        facts.HasExact = true;
        facts.Exact = {std::string()};
        return facts;
      }
      case TbmRENodeKind::Nothing: {
        NodeFacts facts;
        facts.HasExact = true;  // the empty language
        return facts;
      }
      case TbmRENodeKind::Cat:
        return CatFacts(Take(node.Left), Take(node.Right));
      case TbmRENodeKind::Union:
        return UnionFacts(Take(node.Left), Take(node.Right));
      case TbmRENodeKind::Closure:
        break;  // matches the empty string: nothing is required
    }
    return {};
  }

  NodeFacts LeafFacts(int leaf) const {
    NodeFacts facts;
    const auto label = tree_.Label(tree_.LeafLabel(leaf));
    if (IsAnchor(label)) return facts;  // zero-width: neither exact nor requiring anything
    int codes = 0;
    for (const TbmRERange& range : label) codes += range.Hi - range.Lo + 1;
    if (codes <= kMaxExactClassCodes) {
      facts.HasExact = true;
      for (const TbmRERange& range : label) {
        for (int32_t code = range.Lo; code <= range.Hi && facts.HasExact; ++code) {
          std::string text;
          facts.HasExact = AppendCode(code, text);
          facts.Exact.push_back(std::move(text));
        }
      }
      if (facts.HasExact) return facts;
      facts.Exact.clear();
    }
    TClause bytes{TClause::TKind::FirstBytes, {}, {}};
    AddFirstBytes(label, bytes.Bytes);
    AddCondition(facts.Conditions, std::move(bytes));
    return facts;
  }

  // Adds to bytes the first byte of every character of label (not an anchor).
  static void AddFirstBytes(std::span<const TbmRERange> label, TByteSet& bytes) {
    for (const TbmRERange& range : label) {
      if (range.Lo <= kLastByte) {
        AddBytes(bytes, static_cast<uint8_t>(range.Lo),
                 static_cast<uint8_t>(std::min(range.Hi, kLastByte)));
      }
      if (range.Hi <= kLastByte) continue;
      const int32_t firstLead = std::max(range.Lo, kLastByte + 1) >> 8;
      AddBytes(bytes, static_cast<uint8_t>(firstLead),
               static_cast<uint8_t>(std::min(range.Hi, kMaxCharCode) >> 8));
    }
  }

  static bool IsAnchor(std::span<const TbmRERange> label) {
    return label.size() == 1 && label[0].Hi < 0;
  }

  // When every match begins at a line head: the first bytes of the characters that can follow
  // the "^". Nothing when a match may begin elsewhere, or may be empty or go on with another
  // anchor at the line head.
  std::optional<TByteSet> LineHeadBytes() const {
    TByteSet bytes{};
    bool anyStart = false;
    for (int leaf = 0; leaf < tree_.LeafCount(); ++leaf) {
      if (!InSet(tree_.RootFirstPos(), leaf)) continue;
      const auto label = tree_.Label(tree_.LeafLabel(leaf));
      if (!IsAnchor(label) || label[0].Lo != kCodeLineHead) return std::nullopt;
      anyStart = true;
      for (int next = 0; next < tree_.LeafCount(); ++next) {
        if (!InSet(tree_.FollowPos(leaf), next)) continue;
        const auto nextLabel = tree_.Label(tree_.LeafLabel(next));
        if (next == tree_.EndLeaf() || IsAnchor(nextLabel)) return std::nullopt;
        AddFirstBytes(nextLabel, bytes);
      }
    }
    if (!anyStart) return std::nullopt;
    return bytes;
  }

  static bool InSet(std::span<const uint64_t> set, int leaf) {
    return (set[static_cast<size_t>(leaf) / 64] >> (leaf % 64)) & 1;
  }

  // The conditions of a node, the implicit one of an exact node included.
  static void AppendConditions(NodeFacts& facts, TConditions& conditions) {
    if (facts.HasExact) {
      AddLiterals(conditions, facts.Exact);
      return;
    }
    for (Condition& condition : facts.Conditions) conditions.push_back(std::move(condition));
  }

  NodeFacts CatFacts(NodeFacts left, NodeFacts right) const {
    NodeFacts facts;
    if (left.HasExact && right.HasExact) {
      if (auto exact = Product(left.Exact, right.Exact)) {
        facts.HasExact = true;
        facts.Exact = std::move(*exact);
        return facts;
      }
    }
    // A match begins with a beginning of the left part, continued while that part is exact, and
    // ends likewise with an ending of the right part.
    facts.Prefixes = std::move(left.Prefixes);
    if (left.HasExact) {
      const TStrings* following = PrefixesOf(right);
      facts.Prefixes =
          following ? Product(left.Exact, *following).value_or(left.Exact) : left.Exact;
    }
    facts.Suffixes = std::move(right.Suffixes);
    if (right.HasExact) {
      const TStrings* preceding = SuffixesOf(left);
      facts.Suffixes =
          preceding ? Product(*preceding, right.Exact).value_or(right.Exact) : right.Exact;
    }
    // An exact part is represented by the new beginnings (or endings), which imply it; a part
    // that is not exact passes its beginnings (or endings) on, whose clause it holds already.
    facts.Conditions.reserve(2 * kMaxClauses + 2);
    if (left.HasExact) {
      AddAffixes(facts.Conditions, facts.Prefixes);
    } else {
      AppendConditions(left, facts.Conditions);
    }
    if (right.HasExact) {
      AddAffixes(facts.Conditions, facts.Suffixes);
    } else {
      AppendConditions(right, facts.Conditions);
    }
    Settle(facts.Conditions);
    return facts;
  }

  // Any pairing of a clause of each side holds for the alternation; the strongest are paired.
  NodeFacts UnionFacts(NodeFacts left, NodeFacts right) const {
    NodeFacts facts;
    if (left.HasExact && right.HasExact) {
      if (auto exact = Join(left.Exact, right.Exact)) {
        facts.HasExact = true;
        facts.Exact = std::move(*exact);
        return facts;
      }
    }
    if (PrefixesOf(left) && PrefixesOf(right)) {
      facts.Prefixes = Join(*PrefixesOf(left), *PrefixesOf(right));
    }
    if (SuffixesOf(left) && SuffixesOf(right)) {
      facts.Suffixes = Join(*SuffixesOf(left), *SuffixesOf(right));
    }
    TConditions leftConditions;
    TConditions rightConditions;
    AppendConditions(left, leftConditions);
    AppendConditions(right, rightConditions);
    const size_t pairs = std::min(leftConditions.size(), rightConditions.size());
    for (size_t index = 0; index < pairs; ++index) {
      AddCondition(facts.Conditions,
                   Either(leftConditions[index].Clause, rightConditions[index].Clause));
    }
    AddAffixes(facts.Conditions, facts.Prefixes);
    AddAffixes(facts.Conditions, facts.Suffixes);
    Settle(facts.Conditions);
    return facts;
  }

  const TbmRETree& tree_;
  const TbmLeadByteTable& leadBytes_;
  std::vector<NodeFacts> facts_;
  std::vector<int> readers_;  // per node: the parents that read its facts
};

}  // namespace

namespace {

// The bytes that are operators outside brackets when metacharacters are active.
constexpr std::array<bool, 256> kMetaCharacters = [] {
  std::array<bool, 256> table{};
  for (const char byte : std::string_view("\\|()*+?.^$[")) table[static_cast<uint8_t>(byte)] = true;
  return table;
}();

// The alternatives of a pattern made of plain text and "|" only: characters that stand for
// themselves and that a decoded text can hold, at most kMaxExactStrings distinct alternatives of
// at most kMaxExactLength bytes. That is the pattern's language, as the full analysis would find
// at greater cost. Nothing for any other pattern.
std::optional<TStrings> PlainAlternatives(const std::string& pattern,
                                          const TbmLeadByteTable& leadBytes) {
  TStrings alternatives(1);
  const auto* bytes = reinterpret_cast<const uint8_t*>(pattern.data());
  const int length = static_cast<int>(pattern.size());
  for (int start = 0; start < length;) {
    const TbmDecodedChar decoded = DecodeMultiByteChar(bytes, length, start, leadBytes);
    const bool single = decoded.next - start == 1;
    if (single && bytes[start] == '|') {
      alternatives.emplace_back();
    } else if (single && kMetaCharacters[bytes[start]]) {
      return std::nullopt;
    } else if (!single && (decoded.next > length || (decoded.value & kLastByte) == 0)) {
      return std::nullopt;  // a lead byte without a trail, or with a zero trail
    } else {
      alternatives.back().append(pattern, start, decoded.next - start);
      if (alternatives.back().size() > kMaxExactLength) return std::nullopt;
    }
    start = decoded.next;
  }
  SortUnique(alternatives);
  if (alternatives.size() > kMaxExactStrings) return std::nullopt;
  return alternatives;
}

// A pattern that is plain text (no "|") after a leading "^", before a trailing "$", or both: the
// anchored keyword, which is found where the text holds it at a line head or tail. Nothing for
// any other pattern. A "^" first and a "$" last are always anchors; a "|" anywhere would split
// the anchors from part of the text.
std::optional<TPatternRequirement> AnchoredPlainText(const std::string& pattern,
                                                     const TbmLeadByteTable& leadBytes) {
  const bool head = !pattern.empty() && pattern.front() == '^';
  const size_t start = head ? 1 : 0;
  const bool tail = pattern.size() > start && pattern.back() == '$';
  if (!head && !tail) return std::nullopt;
  const std::string middle = pattern.substr(start, pattern.size() - start - (tail ? 1 : 0));
  if (middle.find('|') != std::string::npos) return std::nullopt;
  std::optional<TStrings> text = PlainAlternatives(middle, leadBytes);
  if (!text || text->size() != 1 || text->front().empty()) return std::nullopt;
  TPatternRequirement requirement;
  requirement.Kind = TPatternRequirement::TKind::Anchored;
  requirement.Strings = std::move(*text);
  requirement.AtLineHead = head;
  requirement.AtLineTail = tail;
  return requirement;
}

// The number of distinct follow sets of the tree's positions.
int FollowSetCount(const TbmRETree& tree) {
  std::vector<bool> seen(static_cast<size_t>(tree.LeafCount()));
  int count = 0;
  for (int leaf = 0; leaf < tree.LeafCount(); ++leaf) {
    const size_t id = static_cast<size_t>(tree.FollowId(leaf));
    if (id < seen.size() && !seen[id]) {
      seen[id] = true;
      ++count;
    }
  }
  return count;
}

}  // namespace

TPatternRequirement AnalysePattern(const std::string& pattern, uint8_t charCode) {
  if (charCode != bmccUnicode) {
    if (auto alternatives = PlainAlternatives(pattern, LeadByteTable(charCode))) {
      TPatternRequirement requirement;
      requirement.Kind = TPatternRequirement::TKind::Exact;
      requirement.Strings = std::move(*alternatives);
      requirement.SureToCompile = true;
      return requirement;
    }
    if (auto anchored = AnchoredPlainText(pattern, LeadByteTable(charCode))) {
      anchored->SureToCompile = anchored->Strings.front().size() <= kMaxExactLength;
      return *anchored;
    }
  }
  TbmREScanner scanner;
  scanner.SetCharCode(charCode);
  scanner.SetText(pattern);
  TbmRETokens tokens;
  TbmRETree tree;
  try {
    tokens.Tokenize(scanner);
    tokens.Standardize();
    tree.Build(tokens);
  } catch (const EbmREToken&) {
    TPatternRequirement broken;
    broken.Kind = TPatternRequirement::TKind::Broken;
    return broken;
  }
  const bool sure = FollowSetCount(tree) <= kMaxFollowSetsSureToCompile;
  TPatternRequirement requirement;
  if (charCode != bmccUnicode) requirement = Analyser(tree, LeadByteTable(charCode)).Run();
  requirement.SureToCompile = requirement.Kind == TPatternRequirement::TKind::Exact || sure;
  return requirement;
}

}  // namespace kelmo
