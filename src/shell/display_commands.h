// Recognising a display command without running it, for an author's tool that checks replies
// before they are ever typed. The typed output (display_commands.cpp) recognises the groups it
// meets in the same way, so what this says is what typing will do.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// What a brace group names as a display command.
struct TDisplayCommandUse {
  // The word of the command table's row ("PIC:", "SOUND", "DELAY:", "^H", ...); empty when the
  // group names no display command (it then disappears when typed).
  std::u16string_view Word;
  // The argument as written: the group's text with its inner groups stripped, after the word
  // (letter case as written).
  std::u16string Argument;
};

// The display command of the group whose text between its braces is collected (inner groups
// included, as the typed reply holds them).
TDisplayCommandUse RecogniseDisplayCommand(std::u16string_view collected);

}  // namespace kelmo
