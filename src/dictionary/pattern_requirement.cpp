// The requirement analysis over the position tree.
#include "dictionary/pattern_requirement.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "regex/char_reader.h"
#include "regex/parse_tree.h"
#include "regex/scanner.h"

namespace kelmo {
namespace {

using TKind = TPatternRequirement::TKind;

// A class of at most this many characters is expanded into its characters as exact strings.
constexpr int kMaxExactClassCodes = 4;

// The highest single-byte value.
constexpr int32_t kLastByte = 0xFF;

// What every match of a node meets.
struct Requirement {
  TKind Kind = TKind::None;          // None, Literals or FirstBytes
  std::vector<std::string> Strings;  // Literals: one of them occurs; none at all: no match
  TByteSet Bytes{};                  // FirstBytes: some character starts with one of them
};

struct NodeFacts {
  bool HasExact = false;
  std::vector<std::string> Exact;  // the node's language, when HasExact
  Requirement Need;
};

void SortUnique(std::vector<std::string>& strings) {
  std::sort(strings.begin(), strings.end());
  strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
}

// How much a requirement narrows the texts: literals more than bytes, longer literals and fewer
// of them more than shorter and more, fewer bytes more than more.
int Strength(const Requirement& need) {
  if (need.Kind == TKind::FirstBytes) {
    int count = 0;
    for (const uint64_t word : need.Bytes) count += std::popcount(word);
    return 256 - count;
  }
  if (need.Kind != TKind::Literals) return -1;
  if (need.Strings.empty()) return INT_MAX;
  size_t shortest = need.Strings[0].size();
  for (const std::string& text : need.Strings) shortest = std::min(shortest, text.size());
  const int count = static_cast<int>(need.Strings.size());
  return shortest >= 2 ? 1000 + 100 * static_cast<int>(std::min<size_t>(shortest, 8)) - count
                       : 500 - count;
}

const Requirement& Stronger(const Requirement& a, const Requirement& b) {
  return Strength(b) > Strength(a) ? b : a;
}

TByteSet FirstBytesOf(const Requirement& need) {
  if (need.Kind == TKind::FirstBytes) return need.Bytes;
  TByteSet bytes{};
  for (const std::string& text : need.Strings) AddByte(bytes, static_cast<uint8_t>(text[0]));
  return bytes;
}

// What every match of an alternation of a and b meets.
Requirement Either(const Requirement& a, const Requirement& b) {
  Requirement need;
  if (a.Kind == TKind::None || b.Kind == TKind::None) return need;
  if (a.Kind == TKind::Literals && b.Kind == TKind::Literals &&
      a.Strings.size() + b.Strings.size() <= kMaxRequiredLiterals) {
    need.Kind = TKind::Literals;
    need.Strings = a.Strings;
    need.Strings.insert(need.Strings.end(), b.Strings.begin(), b.Strings.end());
    SortUnique(need.Strings);
    return need;
  }
  need.Kind = TKind::FirstBytes;
  const TByteSet first = FirstBytesOf(a);
  const TByteSet second = FirstBytesOf(b);
  for (size_t word = 0; word < need.Bytes.size(); ++word)
    need.Bytes[word] = first[word] | second[word];
  return need;
}

class Analyser {
 public:
  Analyser(const TbmRETree& tree, const TbmLeadByteTable& leadBytes)
      : tree_(tree), leadBytes_(leadBytes), facts_(tree.Nodes().size()) {}

  TPatternRequirement Run() {
    const std::vector<TbmRENode>& nodes = tree_.Nodes();
    for (size_t node = 0; node < nodes.size(); ++node) facts_[node] = FactsOf(nodes[node]);
    // The root joins the pattern to the end marker; the pattern is its left operand.
    const NodeFacts& pattern = facts_[nodes[tree_.Root()].Left];
    TPatternRequirement requirement;
    if (pattern.HasExact) {
      requirement.Kind = TKind::Exact;
      requirement.Strings = pattern.Exact;
      return requirement;
    }
    requirement.Kind = pattern.Need.Kind;
    requirement.Strings = pattern.Need.Strings;
    requirement.Bytes = pattern.Need.Bytes;
    if (requirement.Kind == TKind::Literals) {
      for (std::string& text : requirement.Strings)
        text.resize(std::min(text.size(), kMaxRequiredLength));
      SortUnique(requirement.Strings);
    }
    if (requirement.Kind == TKind::FirstBytes &&
        std::all_of(requirement.Bytes.begin(), requirement.Bytes.end(),
                    [](uint64_t word) { return word == ~uint64_t{0}; })) {
      requirement.Kind = TKind::None;
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

  NodeFacts FactsOf(const TbmRENode& node) {
    NodeFacts facts;
    switch (node.Kind) {
      case TbmRENodeKind::Char:
        facts = LeafFacts(node.Leaf);
        break;
      case TbmRENodeKind::Epsilon:
        facts.HasExact = true;
        facts.Exact = {std::string()};
        break;
      case TbmRENodeKind::Nothing:
        facts.HasExact = true;  // the empty language
        facts.Need.Kind = TKind::Literals;
        break;
      case TbmRENodeKind::Cat:
        facts = CatFacts(facts_[node.Left], facts_[node.Right]);
        break;
      case TbmRENodeKind::Union:
        facts = UnionFacts(facts_[node.Left], facts_[node.Right]);
        break;
      case TbmRENodeKind::Closure:
        break;  // matches the empty string: nothing is required
    }
    AddExactNeed(facts);
    return facts;
  }

  NodeFacts LeafFacts(int leaf) const {
    NodeFacts facts;
    const auto label = tree_.Label(tree_.LeafLabel(leaf));
    const bool anchor = label.size() == 1 && label[0].Hi < 0;
    if (anchor) return facts;  // zero-width: neither exact nor requiring anything
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
      if (!facts.HasExact) facts.Exact.clear();
    }
    facts.Need.Kind = TKind::FirstBytes;
    for (const TbmRERange& range : label) {
      for (int32_t byte = range.Lo; byte <= std::min(range.Hi, kLastByte); ++byte) {
        AddByte(facts.Need.Bytes, static_cast<uint8_t>(byte));
      }
      if (range.Hi <= kLastByte) continue;
      const int32_t firstLead = std::max(range.Lo, kLastByte + 1) >> 8;
      for (int32_t lead = firstLead; lead <= std::min(range.Hi, kMaxCharCode) >> 8; ++lead) {
        AddByte(facts.Need.Bytes, static_cast<uint8_t>(lead));
      }
    }
    return facts;
  }

  static NodeFacts CatFacts(const NodeFacts& left, const NodeFacts& right) {
    NodeFacts facts;
    facts.Need = Stronger(left.Need, right.Need);
    if (!left.HasExact || !right.HasExact ||
        left.Exact.size() * right.Exact.size() > kMaxExactStrings) {
      return facts;
    }
    facts.HasExact = true;
    for (const std::string& first : left.Exact) {
      for (const std::string& second : right.Exact) {
        if (first.size() + second.size() > kMaxExactLength) {
          facts.HasExact = false;
          facts.Exact.clear();
          return facts;
        }
        facts.Exact.push_back(first + second);
      }
    }
    SortUnique(facts.Exact);
    return facts;
  }

  static NodeFacts UnionFacts(const NodeFacts& left, const NodeFacts& right) {
    NodeFacts facts;
    facts.Need = Either(left.Need, right.Need);
    if (!left.HasExact || !right.HasExact) return facts;
    facts.Exact = left.Exact;
    facts.Exact.insert(facts.Exact.end(), right.Exact.begin(), right.Exact.end());
    SortUnique(facts.Exact);
    facts.HasExact = facts.Exact.size() <= kMaxExactStrings;
    if (!facts.HasExact) facts.Exact.clear();
    return facts;
  }

  // An exact language without the empty string is a requirement of its own.
  static void AddExactNeed(NodeFacts& facts) {
    if (!facts.HasExact) return;
    if (std::find(facts.Exact.begin(), facts.Exact.end(), std::string()) != facts.Exact.end())
      return;
    Requirement exact;
    exact.Kind = TKind::Literals;
    exact.Strings = facts.Exact;
    facts.Need = Stronger(facts.Need, exact);
  }

  const TbmRETree& tree_;
  const TbmLeadByteTable& leadBytes_;
  std::vector<NodeFacts> facts_;
};

}  // namespace

TPatternRequirement AnalysePattern(const std::string& pattern, uint8_t charCode) {
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
    broken.Kind = TKind::Broken;
    return broken;
  }
  if (charCode == bmccUnicode) return {};
  return Analyser(tree, LeadByteTable(charCode)).Run();
}

}  // namespace kelmo
