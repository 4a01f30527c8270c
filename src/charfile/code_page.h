// The code page layer: the one place where text changes encoding.
//
// Stored text ("8-bit text") is Shift-JIS as Windows code page 932 defines it; wide text is
// UTF-16; the file system and the terminal speak UTF-8. The tables come from glibc's iconv
// "CP932" converter, built once on first use, so that conversions in the hot paths (every
// normalisation, every evaluation) are table lookups.
//
// Substitution rule: a character that code page 932 cannot represent (an emoji, 𠮷) becomes the
// geta mark 〓 (U+3013, Shift-JIS 81 AC), the customary mark for a character that cannot be shown;
// a surrogate pair counts as one character. Unlike "?", the mark means nothing to a pattern or a
// reader, so a line holding an emoji is not taken for a question, and a pattern written with an
// emoji in a UTF-8 file finds a line that holds one. A byte or pair that is not valid Shift-JIS
// becomes U+FFFD: a lead
// byte and a byte from the trail range form one (unassigned) character, while a lead byte followed
// by anything else is replaced alone, so the following byte (often a line break) keeps its meaning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// True for the bytes that start a double-byte Shift-JIS character (0x81-0x9F, 0xE0-0xFC).
bool IsShiftJisLeadByte(unsigned char byte);

// Number of bytes (1 or 2) of the Shift-JIS character starting at text[index]; a lead byte
// without a valid trail byte after it counts as one byte, as the decoder treats it.
size_t ShiftJisCharLength(std::string_view text, size_t index);

// Shift-JIS bytes to UTF-16; invalid sequences become U+FFFD.
std::u16string ShiftJisToUtf16(std::string_view text);

// What a character outside code page 932 becomes: the geta mark, in Shift-JIS and as UTF-16.
inline constexpr std::string_view kGetaMark = "\x81\xAC";
inline constexpr char16_t kGetaMarkUnit = u'\u3013';

// UTF-16 to Shift-JIS; characters outside code page 932 become kGetaMark.
std::string Utf16ToShiftJis(std::u16string_view text);

// The characters of text that Utf16ToShiftJis turns into kGetaMark, in order, as UTF-8 (an
// unpaired surrogate as U+FFFD); empty when code page 932 holds every one.
std::string UnrepresentableCharacters(std::u16string_view text);

// UTF-8 to UTF-16; invalid UTF-8 bytes become U+FFFD, one per byte.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Shift-JIS to UTF-8 and back, through UTF-16 with the rules above.
std::string ShiftJisToUtf8(std::string_view text);
std::string Utf8ToShiftJis(std::string_view text);

// Each Shift-JIS line in UTF-8.
std::vector<std::string> ShiftJisLinesToUtf8(const std::vector<std::string>& lines);

}  // namespace kelmo
