// Searching one entry pattern with the syntax error caught where it arises.
#include "dictionary/entry_pattern.h"

namespace kelmo {

bool TEntryPattern::FoundIn(const std::string& text) {
  if (broken_) return false;
  if (!expression_) {
    expression_ = std::make_unique<TbmRExp>();
    expression_->SetCharCode(charCode_);
    expression_->SetPattern(pattern_);
  }
  try {
    return expression_->Found(text);
  } catch (const EbmREToken&) {
    broken_ = true;
    expression_.reset();
    return false;
  }
}

}  // namespace kelmo
