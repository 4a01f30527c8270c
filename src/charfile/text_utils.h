// Small stateless text helpers that many subsystems share: the normalisation that makes matching
// blind to letter case and full-width forms, truth texts, brace stripping, "|"-separated fields,
// comma text lists, the "#" digit shorthand of patterns and the escaping of plug-in parameters.
//
// "8-bit text" here is Shift-JIS in a std::string; "wide text" is UTF-16. Functions that walk
// 8-bit text character by character never take the trail byte of a double-byte character (which
// may be 0x5C or 0x7C) for a separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// Maps every character of the fixed normalisation table (ASCII small letters, full-width letters,
// digits, ideographic space and punctuation) to half-width upper-case ASCII; every other character
// stays. The length never changes, so positions in the result match positions in the input.
std::u16string NormalizeText(std::u16string_view text);

// The character NormalizeText makes of c.
char16_t NormalizeCharacter(char16_t c);

// Appends NormalizeText(text) to out.
void AppendNormalized(std::u16string& out, std::u16string_view text);

// NormalizeText for 8-bit text: decoded, normalised and encoded again.
std::string NormalizeShiftJis(std::string_view text);

// True when the normalised text is exactly "TRUE", or when the text is a decimal integer (optional
// sign) within the 32-bit signed range other than 0. Everything else, the empty text included, is
// false.
bool TextToBool(std::string_view text);

// "True" or "False".
std::string BoolToText(bool value);

// Drops every brace and every character inside a brace group (nested groups whole). After an
// unmatched "}" the depth goes negative, so the text of a following group stays.
std::u16string StripBraces(std::u16string_view text);

// ASCII letters changed to lower or upper case; trail bytes of double-byte characters stay.
std::string AsciiLowerCase(std::string_view text);
std::string AsciiUpperCase(std::string_view text);

// Drops every CR and LF byte.
std::string RemoveLineBreaks(std::string_view text);

// Replaces every occurrence of the non-empty from by to, scanning the bytes left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Replaces "%" by "%25" and "&" by "%26" in one pass; nothing else changes.
std::string EscapeParam(std::string_view text);

// Replaces every "#" by "[0-9]", then every "\[0-9]" by "#": "#" stands for a digit in patterns
// and "\#" for a literal "#".
std::string ExpandDigitShorthand(std::string_view text);

// 0 for the empty text, otherwise 1 plus the number of characters equal to the one-character
// separator. A separator of any other length never matches.
int CountFields(std::string_view text, std::string_view separator);

// Removes the first field and its separator from text and returns the field; without a separator
// the whole text is the field and text becomes empty.
std::string CutField(std::string& text, std::string_view separator);

// The field with the given 0-based index; empty for a negative index or one beyond the last field.
std::string ExtractField(std::string_view text, std::string_view separator, int index);

// The first line of the file at the data path, after which the file is deleted; empty when the
// file does not exist. Raises EFileError when the file exists but cannot be read; a file that
// cannot be deleted still gives its line and stays.
std::string ReadFirstLineAndDelete(const std::string& path);

// Splits a comma text: fields separated by commas or blanks (bytes 0 to 32), a field in double
// quotes may hold both and "" inside it stands for one double quote. A trailing comma adds no
// field; two commas in a row enclose an empty field. A quoted field without its closing quote
// takes the rest of the text.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace kelmo
