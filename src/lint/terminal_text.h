// Text that an authoring tool prints to a terminal, made harmless there. A transcript or a
// dictionary may hold any bytes, and a report that quotes them would otherwise pass escape
// sequences and stray line breaks straight to the terminal: every control character and every
// byte that is not part of a well-formed UTF-8 character is written as its code between braces,
// as the program's logs write them.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// text with each control character but the tab (U+0000 to U+001F, DEL, U+0080 to U+009F) written
// "{0x" + its code in upper-case hex + "}" (an escape as "{0x1B}", the C1 CSI as "{0x9B}"), and
// each byte that is not part of a well-formed UTF-8 character (overlong forms, surrogates and
// codes beyond U+10FFFF included) as "{0x" + the byte in hex + "}". Other text is kept as it is.
std::string TerminalText(std::string_view text);

}  // namespace kelmo
