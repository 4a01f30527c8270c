// libarchive converts entry names between their stored character set and the thread's locale.
// Under the "C" locale a test or a terminal may run in, it cannot represent a Japanese name at
// all, so the package reader and writer switch their own thread to the "C.UTF-8" locale while they
// work: names then arrive and leave as UTF-8 whatever the user's locale is.
#pragma once

#include <locale.h>

namespace kelmo {

// Puts the calling thread in the C.UTF-8 character-type locale while it lives and restores the
// thread's locale after. When C.UTF-8 is missing the thread's locale stays as it is.
class TUtf8Locale {
 public:
  TUtf8Locale();
  ~TUtf8Locale();
  TUtf8Locale(const TUtf8Locale&) = delete;
  TUtf8Locale& operator=(const TUtf8Locale&) = delete;

 private:
  locale_t utf8_ = static_cast<locale_t>(0);
  locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace kelmo
