// Text commands. Counts and positions are in UTF-16 code units of the wide text. LEFT and RIGHT
// take their text from the raw group so that letter case survives; MID takes its fields from the
// raw text too, split at bars in the 8-bit code page like every stored text; POS and LIKE work on
// the normalised text and so ignore letter case and width. SCRIPTIZE: turns square brackets into
// braces, which the evaluator then scans as groups.
#include <vector>

#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/command_support.h"
#include "engine/pattern_cache.h"

namespace kelmo {
namespace {

// The field separator of MID.
constexpr std::string_view kFieldSeparator = "|";

// count characters of text from the 1-based position start; a start below 1 counts as 1, a
// count beyond the text's end takes the rest.
std::u16string Copy(std::u16string_view text, int32_t start, int64_t count) {
  if (start < 1) start = 1;
  if (count <= 0 || start > static_cast<int64_t>(text.size())) return {};
  return std::u16string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

// The 0-based position of the first occurrence of a non-empty wanted text, or npos. Knuth-Morris-
// Pratt, linear in both lengths: the library's searches take quadratic time on texts like "AAA...B"
// in "AAAA...", which a reply may well hold.
size_t FindFirst(std::u16string_view text, std::u16string_view wanted) {
  // border[i]: length of the longest proper border of wanted[0..i].
  std::vector<size_t> border(wanted.size(), 0);
  for (size_t i = 1, length = 0; i < wanted.size(); ++i) {
    while (length > 0 && wanted[i] != wanted[length]) length = border[length - 1];
    if (wanted[i] == wanted[length]) ++length;
    border[i] = length;
  }
  for (size_t i = 0, matched = 0; i < text.size(); ++i) {
    while (matched > 0 && text[i] != wanted[matched]) matched = border[matched - 1];
    if (text[i] == wanted[matched]) ++matched;
    if (matched == wanted.size()) return i + 1 - matched;
  }
  return std::u16string_view::npos;
}

}  // namespace

std::u16string TextLength(const TCommand& command) {
  return IntegerText(static_cast<int64_t>(command.SliceFrom(8).size()));
}

std::u16string TextLeft(const TCommand& command) {
  const int32_t count = ReadInteger(command.Left(5));
  return Copy(command.RawSliceFrom(command.Bar + 1), 1, count);
}

std::u16string TextRight(const TCommand& command) {
  const int32_t count = ReadInteger(command.Left(6));
  const std::u16string_view text = command.RawSliceFrom(command.Bar + 1);
  if (count <= 0) return {};
  if (static_cast<size_t>(count) >= text.size()) return std::u16string(text);
  return std::u16string(text.substr(text.size() - static_cast<size_t>(count)));
}

std::u16string TextMid(const TCommand& command) {
  const std::string fields = Narrow(command.RawSliceFrom(4));
  const auto field = [&](int index) { return Wide(ExtractField(fields, kFieldSeparator, index)); };
  const int32_t start = ReadInteger(field(0));
  if (CountFields(fields, kFieldSeparator) == 2) {
    const std::u16string text = field(1);
    return Copy(text, start, static_cast<int64_t>(text.size()));
  }
  const int32_t count = ReadInteger(field(1));
  return Copy(field(2), start, count);
}

std::u16string TextPos(const TCommand& command) {
  const std::u16string_view wanted = command.Left(4);
  const size_t found =
      wanted.empty() ? std::u16string_view::npos : FindFirst(command.Right(), wanted);
  return IntegerText(found == std::u16string_view::npos ? 0 : static_cast<int64_t>(found) + 1);
}

std::u16string TextLike(const TCommand& command) {
  return TruthText(command.Character.LikePatterns->Found(command.Right(), command.Left(5)));
}

std::u16string Scriptize(const TCommand& command) {
  // Through the 8-bit code page as stored texts are; replaced as characters, never as bytes.
  std::u16string text = Wide(Narrow(command.RawSliceFrom(11)));
  for (char16_t& c : text) {
    if (c == u'[') c = u'{';
  }
  for (char16_t& c : text) {
    if (c == u']') c = u'}';
  }
  return text;
}

}  // namespace kelmo
