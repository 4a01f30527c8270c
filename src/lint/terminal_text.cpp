// Escaping control characters and malformed UTF-8 for a terminal.
#include "lint/terminal_text.h"

#include <cstdint>

#include "charfile/utf8_sequence.h"

namespace kelmo {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr uint32_t kDelete = 0x7F;
constexpr uint32_t kLastC1Control = 0x9F;

void AppendEscaped(std::string& out, uint32_t code) {
  out += "{0x";
  out += kHexDigits[(code >> 4) & 0x0F];
  out += kHexDigits[code & 0x0F];
  out += '}';
}

bool IsControl(uint32_t code) {
  return (code < ' ' && code != '\t') || (code >= kDelete && code <= kLastC1Control);
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t index = 0; index < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8Sequence(text, index, code);
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
