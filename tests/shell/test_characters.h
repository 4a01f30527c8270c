// Small characters written on the fly into a test's program folder. A character answers from one
// repeating kind 0 dictionary: each entry answers one word (compared after normalisation, as the
// selection key is), entries with an empty word answer anything, after the worded ones.
#pragma once

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kelmo::testing {

// One answer: when the line (or system word) normalises like Word, the reply is Reply. Both UTF-8;
// an empty Word answers every line no other entry answers.
struct TAnswer {
  std::string Word;
  std::string Reply;
};

// Writes <stem>.klc with "name", "folder" <stem>, "version" 210, "data02" and the extra key and
// value lines, and <stem>/dict.txt in Shift-JIS. Returns the definition file's path.
std::string WriteCharacter(const TempFolder& home, const std::string& stem, const std::string& name,
                           const std::vector<TAnswer>& answers,
                           const std::vector<std::string>& extraLines = {});

// The condition that answers a line beginning with "ReadCharacter:" (a switch request).
inline constexpr const char* kAnyReadCharacter = "{EQ{LEFT14|{OPERATEMESSAGE}}|READCHARACTER:}";

}  // namespace kelmo::testing
