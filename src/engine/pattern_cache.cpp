// Looking patterns up in their set, compiling on a miss.
#include "engine/pattern_cache.h"

#include <functional>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {

TPatternCache::TSlot* TPatternCache::SetOf(std::u16string_view pattern) {
  if (slots_.empty()) slots_.resize(kPatternCacheSets * kPatternCacheWays);
  return &slots_[std::hash<std::u16string_view>()(pattern) % kPatternCacheSets * kPatternCacheWays];
}

const std::string& TPatternCache::Narrow(std::u16string_view text) {
  if (text != wideText_) {
    wideText_ = text;
    narrowText_ = Utf16ToShiftJis(text);
  }
  return narrowText_;
}

bool TPatternCache::Found(std::u16string_view pattern, std::u16string_view text) {
  int position = 0;
  int length = 0;
  const bool keepable = pattern.size() <= kMaxCachedPatternLength;
  TSlot* const set = keepable ? SetOf(pattern) : nullptr;
  TSlot* oldest = set;
  for (TSlot* slot = set; keepable && slot != set + kPatternCacheWays; ++slot) {
    if (slot->LastUse != 0 && slot->Pattern == pattern) {
      slot->LastUse = ++uses_;
      return slot->Expression && slot->Expression->Match(Narrow(text), 1, position, length) != 0;
    }
    if (slot->LastUse < oldest->LastUse) oldest = slot;
  }

  auto expression = std::make_unique<TbmRExp>();
  expression->SetPattern(ExpandDigitShorthand(Utf16ToShiftJis(pattern)));
  bool found = false;
  try {
    found = expression->Match(Narrow(text), 1, position, length) != 0;
  } catch (const EbmREToken&) {
    expression.reset();  // kept as a pattern that never matches
  }
  if (keepable && (!expression || expression->Compile().StateCount() <= kMaxCachedStates)) {
    oldest->Pattern = pattern;
    oldest->Expression = std::move(expression);
    oldest->LastUse = ++uses_;
  }
  return found;
}

}  // namespace kelmo
