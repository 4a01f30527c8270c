// Adding strings to the trie and growing its edge table.
#include "dictionary/literal_trie.h"

#include <bit>

namespace kelmo {

namespace {
// Slots of a new trie's edge table (a power of two), and how full it may get before it doubles:
// half full keeps probe runs short.
constexpr size_t kInitialSlots = 64;
constexpr size_t kMaxLoadPercent = 50;
// Nodes from which a trie keeps the table of nodes two bytes deep: its 65,536 pairs (512 KiB) are
// then at most a quarter of the edge table (at least 131,072 slots of 16 bytes).
constexpr int32_t kPairTableNodes = 1 << 16;
constexpr size_t kPairCount = 1 << 16;
}  // namespace

TLiteralTrie::TLiteralTrie()
    : edges_(kInitialSlots),
      mask_(kInitialSlots - 1),
      shift_(64 - std::countr_zero(kInitialSlots)) {}

int TLiteralTrie::Add(std::string_view text) {
  TEdge* last = nullptr;
  int32_t node = kRoot;
  for (const char byte : text) {
    last = &AddEdge(node, static_cast<uint8_t>(byte));
    node = last->Child;
  }
  if (last->StringId < 0) last->StringId = stringCount_++;
  const int id = last->StringId;
  if (pairs_.empty() && nodeCount_ >= kPairTableNodes) {
    BuildPairs();
  } else if (!pairs_.empty() && text.size() >= 2) {
    UpdatePair(text);
  }
  return id;
}

void TLiteralTrie::BuildPairs() {
  pairs_.assign(kPairCount, TPair());
  for (int first = 0; first < 256; ++first) {
    const TEdge* edge = FindEdge(kRoot, static_cast<uint8_t>(first));
    if (edge == nullptr) continue;
    for (int second = 0; second < 256; ++second) {
      const TEdge* next = FindEdge(edge->Child, static_cast<uint8_t>(second));
      if (next != nullptr) {
        pairs_[PairIndex(static_cast<uint8_t>(first), static_cast<uint8_t>(second))] = {
            next->Child, next->StringId};
      }
    }
  }
}

void TLiteralTrie::UpdatePair(std::string_view text) {
  const auto first = static_cast<uint8_t>(text[0]);
  const auto second = static_cast<uint8_t>(text[1]);
  const TEdge* next = FindEdge(FindEdge(kRoot, first)->Child, second);
  pairs_[PairIndex(first, second)] = {next->Child, next->StringId};
}

TLiteralTrie::TEdge& TLiteralTrie::AddEdge(int32_t node, uint8_t byte) {
  const uint64_t key = EdgeKey(node, byte);
  size_t slot = Slot(key);
  for (; edges_[slot].Key != kEmptyKey; slot = (slot + 1) & mask_) {
    if (edges_[slot].Key == key) return edges_[slot];
  }
  if (static_cast<size_t>(nodeCount_) * 100 > edges_.size() * kMaxLoadPercent) {
    Grow();
    slot = Slot(key);
    while (edges_[slot].Key != kEmptyKey) slot = (slot + 1) & mask_;
  }
  TEdge& edge = edges_[slot];
  edge.Key = key;
  edge.Child = nodeCount_++;
  return edge;
}

void TLiteralTrie::Grow() {
  std::vector<TEdge> old(edges_.size() * 2);
  edges_.swap(old);
  mask_ = edges_.size() - 1;
  --shift_;
  for (const TEdge& edge : old) {
    if (edge.Key == kEmptyKey) continue;
    size_t slot = Slot(edge.Key);
    while (edges_[slot].Key != kEmptyKey) slot = (slot + 1) & mask_;
    edges_[slot] = edge;
  }
}

}  // namespace kelmo
