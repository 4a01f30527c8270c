#include "package/utf8_locale.h"

namespace kelmo {

TUtf8Locale::TUtf8Locale() {
  utf8_ = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8_ != static_cast<locale_t>(0)) previous_ = ::uselocale(utf8_);
}

TUtf8Locale::~TUtf8Locale() {
  if (utf8_ == static_cast<locale_t>(0)) return;
  ::uselocale(previous_);
  ::freelocale(utf8_);
}

}  // namespace kelmo
