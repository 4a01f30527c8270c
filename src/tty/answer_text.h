// Reading what the user answers at a terminal prompt: blanks around an answer do not count, and
// numbers are plain decimal integers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelmo {

// The text without leading and trailing ASCII blanks and tabs.
std::string TrimBlanks(std::string_view text);

// The whole text read as a decimal integer (digits only, at most 9 of them); empty otherwise.
std::optional<int> ParseNumber(std::string_view text);

}  // namespace kelmo
