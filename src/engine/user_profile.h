// The user's profile as the settings hold it; the chat controller copies it into the character,
// where the macros read it.
#pragma once

#include <string>

#include "charfile/date_time.h"

namespace kelmo {

struct TUserProfile {
  std::string Surname;     // Shift-JIS
  std::string GivenName;   // Shift-JIS
  std::string HandleName;  // Shift-JIS
  std::string Nickname;    // Shift-JIS
  bool IsMale = false;
  TDateTime Birthday = 0;
};

}  // namespace kelmo
