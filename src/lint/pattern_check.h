// Compiling a dictionary pattern as a lookup would, to tell its author why it never matches.
//
// The dictionaries find most syntax errors at load, when they analyse each pattern for their
// prefilter; a pattern that parses can still fail to compile when its automaton outgrows the
// engine's limits. Either way the pattern engine's own message names the error, and its token says
// where: a byte offset in the pattern as the engine read it, normalised and with "#" expanded to
// "[0-9]". FieldCharacterOf traces it back to a character of the field as its author wrote it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelmo {

struct TPatternError {
  std::string Message;  // the engine's message (EbmREToken), English as the engine gives it
  size_t Offset = 0;    // where its token begins: a byte offset in the pattern
};

// Compiles pattern (a field after load-time normalisation, Shift-JIS) in the default character
// code; nothing when it compiles.
std::optional<TPatternError> CompilePattern(const std::string& pattern);

// The character of the field as written (0-based) that byte offset of NormalizeKey(field) came
// from: normalisation keeps the characters, and "#" expands to "[0-9]" and "\#" shrinks to "#" as
// ExpandDigitShorthand does. An offset at or past the end gives the number of characters.
int FieldCharacterOf(std::string_view field, size_t offset);

}  // namespace kelmo
