// Compiling one pattern and tracing the error's offset back to the field as written.
#include "lint/pattern_check.h"

#include <vector>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "regex/regexp.h"

namespace kelmo {
namespace {

constexpr std::string_view kDigitClass = "[0-9]";
constexpr std::string_view kEscapedDigitClass = "\\[0-9]";

}  // namespace

std::optional<TPatternError> CompilePattern(const std::string& pattern) {
  TbmRExp expression;
  expression.SetPattern(pattern);
  try {
    expression.Compile();
    return std::nullopt;
  } catch (const EbmREToken& error) {
    return TPatternError{error.what(), static_cast<size_t>(error.Token().Start)};
  }
}

int FieldCharacterOf(std::string_view field, size_t offset) {
  // The owner (character of the field) of every byte, through the two steps of the expansion.
  const std::string normalized = NormalizeShiftJis(field);
  std::string expanded;
  std::vector<int> owners;
  int characters = 0;
  for (size_t i = 0; i < normalized.size(); ++characters) {
    const size_t length = ShiftJisCharLength(normalized, i);
    const std::string_view piece =
        normalized[i] == '#' ? kDigitClass : std::string_view(normalized).substr(i, length);
    expanded += piece;
    owners.insert(owners.end(), piece.size(), characters);
    i += length;
  }
  size_t shrunk = 0;  // bytes of the final text before expanded[i]
  for (size_t i = 0; i < expanded.size();) {
    if (std::string_view(expanded).substr(i).starts_with(kEscapedDigitClass)) {
      if (shrunk == offset) return owners[i];
      ++shrunk;
      i += kEscapedDigitClass.size();
      continue;
    }
    const size_t length = ShiftJisCharLength(expanded, i);
    if (offset < shrunk + length) return owners[i];
    shrunk += length;
    i += length;
  }
  return characters;
}

}  // namespace kelmo
