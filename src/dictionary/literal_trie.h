// A trie of byte strings for finding, in one pass over a text, which of many strings occur in it
// at character starts.
//
// Nodes are numbered, the root being 0; an edge (node, byte) -> child lives in one open-addressing
// hash table, so a trie of hundreds of thousands of strings costs a few words per node and no
// allocation per node. A slot holds the edge, the child and the id of the string ending at the
// child: a step of a walk reads one cache line, which in a trie larger than the cache is the cost.
// Finding walks the trie from every character start of the text for as long as the bytes follow an
// edge; the work is the text's length times the depth the walks reach, which for keywords is a few
// bytes. In a large trie the second step of a walk would read a slot anywhere in the table, a
// cache miss at nearly every character of the text; such a trie keeps its nodes two bytes deep in
// a table indexed by the two bytes, of which the few rows a text's lead bytes use stay cached.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "regex/char_reader.h"

namespace kelmo {

class TLiteralTrie {
 public:
  TLiteralTrie();

  // Adds a non-empty string and returns its id, 0 for the first distinct string and counting up;
  // a string added before keeps its id.
  int Add(std::string_view text);

  // Calls found(id) for each occurrence in text of an added string that begins at a character
  // start, characters being decoded with leadBytes as the pattern engine decodes them; and
  // atStart(offset) at each character start, first, for callers that need them too.
  template <class TFound, class TStart>
  void FindAll(std::string_view text, const TbmLeadByteTable& leadBytes, TFound&& found,
               TStart&& atStart) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int length = static_cast<int>(text.size());
    for (int start = 0; start < length;
         start = DecodeMultiByteChar(bytes, length, start, leadBytes).next) {
      atStart(start);
      int32_t node = kRoot;
      int position = start;
      if (!pairs_.empty() && start + 1 < length) {
        const TEdge* first = FindEdge(kRoot, bytes[start]);
        if (first == nullptr) continue;
        if (first->StringId >= 0) found(first->StringId);
        const TPair& pair = pairs_[PairIndex(bytes[start], bytes[start + 1])];
        if (pair.Node < 0) continue;
        if (pair.StringId >= 0) found(pair.StringId);
        node = pair.Node;
        position += 2;
      }
      for (; position < length; ++position) {
        const TEdge* edge = FindEdge(node, bytes[position]);
        if (edge == nullptr) break;
        if (edge->StringId >= 0) found(edge->StringId);
        node = edge->Child;
      }
    }
  }

 private:
  static constexpr int32_t kRoot = 0;

  // Edge keys are never 0, the mark of an empty slot.
  static constexpr uint64_t kEmptyKey = 0;
  static uint64_t EdgeKey(int32_t node, uint8_t byte) {
    return (static_cast<uint64_t>(node) << 8 | byte) + 1;
  }
  size_t Slot(uint64_t key) const { return (key * 0x9E3779B97F4A7C15ull >> shift_) & mask_; }

  struct TEdge {
    uint64_t Key = kEmptyKey;
    int32_t Child = -1;
    int32_t StringId = -1;  // of the string ending at Child, or -1
  };

  // The edge from node on byte, or null.
  const TEdge* FindEdge(int32_t node, uint8_t byte) const {
    const uint64_t key = EdgeKey(node, byte);
    for (size_t slot = Slot(key);; slot = (slot + 1) & mask_) {
      if (edges_[slot].Key == key) return &edges_[slot];
      if (edges_[slot].Key == kEmptyKey) return nullptr;
    }
  }

  // The edge from node on byte, created if missing.
  TEdge& AddEdge(int32_t node, uint8_t byte);

  void Grow();

  // A node two bytes deep and the id of the string ending there (-1 for none).
  struct TPair {
    int32_t Node = -1;
    int32_t StringId = -1;
  };
  static size_t PairIndex(uint8_t first, uint8_t second) { return size_t{first} << 8 | second; }

  // Fills pairs_ from the edges.
  void BuildPairs();
  // Sets the pair of the first two bytes of text, an added string.
  void UpdatePair(std::string_view text);

  std::vector<TEdge> edges_;  // the hash table
  std::vector<TPair> pairs_;  // by PairIndex, once the trie has kPairTableNodes nodes
  int32_t nodeCount_ = 1;     // the root, then one node per edge
  size_t mask_ = 0;
  int shift_ = 0;
  int stringCount_ = 0;
};

}  // namespace kelmo
