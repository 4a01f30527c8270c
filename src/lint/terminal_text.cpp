// Escaping control characters and malformed UTF-8 for a terminal.
#include "lint/terminal_text.h"

#include <cstdint>

namespace kelmo {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char32_t kDelete = 0x7F;
constexpr char32_t kLastC1Control = 0x9F;

void AppendEscaped(std::string& out, uint32_t code) {
  out += "{0x";
  out += kHexDigits[(code >> 4) & 0x0F];
  out += kHexDigits[code & 0x0F];
  out += '}';
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at text[index], and its code; 0 when the byte
// there starts none.
size_t CharacterAt(std::string_view text, size_t index, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[index]);
  size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    least = 0x10000;
  } else {
    return 0;
  }
  code = lead & (0x7F >> length);  // the lead byte's share of the code
  if (text.size() - index < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[index + i]);
    if (!IsContinuation(byte)) return 0;
    code = (code << 6) | (byte & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < least || surrogate || code > 0x10FFFF) return 0;
  return length;
}

bool IsControl(char32_t code) {
  return (code < U' ' && code != U'\t') || (code >= kDelete && code <= kLastC1Control);
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t index = 0; index < text.size();) {
    char32_t code = 0;
    const size_t length = CharacterAt(text, index, code);
    if (length == 0) {
      AppendEscaped(out, static_cast<unsigned char>(text[index++]));
    } else if (IsControl(code)) {
      AppendEscaped(out, code);
      index += length;
    } else {
      out.append(text.substr(index, length));
      index += length;
    }
  }
  return out;
}

}  // namespace kelmo
