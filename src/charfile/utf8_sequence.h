// Reading one UTF-8 character strictly: the conversions of code_page.h and the tools that must
// tell well-formed text from stray bytes (the escaping of a report for a terminal) read UTF-8 the
// same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelmo {

// Decodes the UTF-8 character at text[index] (index < text.size()) into code; returns its length
// in bytes, or 0 when the bytes there start no well-formed character (an overlong form, a
// surrogate, a code beyond U+10FFFF, a sequence cut short).
size_t DecodeUtf8Sequence(std::string_view text, size_t index, uint32_t& code);

}  // namespace kelmo
