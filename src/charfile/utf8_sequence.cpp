// The strict UTF-8 decoder.
#include "charfile/utf8_sequence.h"

namespace kelmo {

size_t DecodeUtf8Sequence(std::string_view text, size_t index, uint32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(index);
  size_t length;
  uint32_t minimum;
  if (first < 0x80) {
    code = first;
    return 1;
  } else if (first >= 0xC2 && first <= 0xDF) {
    length = 2, minimum = 0x80, code = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, minimum = 0x800, code = first & 0x0F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, minimum = 0x10000, code = first & 0x07;
  } else {
    return 0;
  }
  if (index + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(index + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(index + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace kelmo
