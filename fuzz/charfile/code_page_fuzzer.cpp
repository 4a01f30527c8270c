// Arbitrary bytes through every conversion. Decoding then encoding then decoding must be stable:
// whatever survives one round trip survives the next unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string once = kelmo::Utf16ToShiftJis(kelmo::ShiftJisToUtf16(bytes));
  if (kelmo::Utf16ToShiftJis(kelmo::ShiftJisToUtf16(once)) != once) __builtin_trap();

  const std::u16string fromUtf8 = kelmo::Utf8ToUtf16(bytes);
  if (kelmo::Utf8ToUtf16(kelmo::Utf16ToUtf8(fromUtf8)) != fromUtf8) __builtin_trap();

  std::u16string wide(size / 2, u'\0');
  for (size_t i = 0; i + 1 < size; i += 2) wide[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  if (kelmo::NormalizeText(wide).size() != wide.size()) __builtin_trap();
  kelmo::Utf16ToUtf8(wide);
  kelmo::Utf16ToShiftJis(wide);
  return 0;
}
