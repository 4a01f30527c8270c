// Adding strings to the trie and growing its edge table.
#include "dictionary/literal_trie.h"

#include <bit>

namespace kelmo {

namespace {
// Slots of a new trie's edge table (a power of two), and how full it may get before it doubles:
// half full keeps probe runs short.
constexpr size_t kInitialSlots = 64;
constexpr size_t kMaxLoadPercent = 50;
}  // namespace

TLiteralTrie::TLiteralTrie()
    : stringIds_(1, -1),
      keys_(kInitialSlots, kEmptyKey),
      children_(kInitialSlots, -1),
      mask_(kInitialSlots - 1),
      shift_(64 - std::countr_zero(kInitialSlots)) {}

int TLiteralTrie::Add(std::string_view text) {
  int32_t node = kRoot;
  for (const char byte : text) node = AddChild(node, static_cast<uint8_t>(byte));
  if (stringIds_[node] < 0) stringIds_[node] = stringCount_++;
  return stringIds_[node];
}

int32_t TLiteralTrie::AddChild(int32_t node, uint8_t byte) {
  const int32_t existing = Child(node, byte);
  if (existing >= 0) return existing;
  if ((edgeCount_ + 1) * 100 > keys_.size() * kMaxLoadPercent) Grow();
  const int32_t child = static_cast<int32_t>(stringIds_.size());
  stringIds_.push_back(-1);
  const uint64_t key = EdgeKey(node, byte);
  size_t slot = Slot(key);
  while (keys_[slot] != kEmptyKey) slot = (slot + 1) & mask_;
  keys_[slot] = key;
  children_[slot] = child;
  ++edgeCount_;
  return child;
}

void TLiteralTrie::Grow() {
  std::vector<uint64_t> keys(keys_.size() * 2, kEmptyKey);
  std::vector<int32_t> children(keys.size(), -1);
  keys_.swap(keys);
  children_.swap(children);
  mask_ = keys_.size() - 1;
  --shift_;
  for (size_t old = 0; old < keys.size(); ++old) {
    if (keys[old] == kEmptyKey) continue;
    size_t slot = Slot(keys[old]);
    while (keys_[slot] != kEmptyKey) slot = (slot + 1) & mask_;
    keys_[slot] = keys[old];
    children_[slot] = children[old];
  }
}

}  // namespace kelmo
