#include "charfile/answer_list.h"

#include <algorithm>

#include "charfile/random_source.h"

namespace kelmo {

namespace {
// Room taken at the first index: a lookup in a large dictionary gathers dozens of candidates, and
// taking this much at once costs no more than taking a little; a whole dictionary's worth for
// every lookup would cost more than growing now and then.
constexpr int kInitialReserve = 256;
}  // namespace

TAnswerList::TAnswerList(int capacity) : reserve_(std::clamp(capacity, 1, kInitialReserve)) {}

int TAnswerList::PickRandom() const {
  if (items_.empty()) return 0;
  return items_[RandomBelow(Count())];
}

}  // namespace kelmo
