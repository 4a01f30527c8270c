// Arbitrary patterns and texts through the pattern engine: compiling either succeeds or raises
// EbmREToken, and every match lies inside the text and after the start. The first byte chooses
// the character code and options, the next two the pattern length, the next one the start.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "regex/regexp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t flags = data[0];
  const size_t patternLength = std::min<size_t>(data[1] | data[2] << 8, size - 4);
  const std::string pattern(reinterpret_cast<const char*>(data + 4), patternLength);
  const std::string text(reinterpret_cast<const char*>(data + 4 + patternLength),
                         size - 4 - patternLength);
  const int start = 1 + data[3] % (text.size() + 2);  // sometimes one beyond the end + 1

  kelmo::TbmRExp regexp;
  regexp.SetCharCode(flags % 4);
  regexp.SetOption(kelmo::bmreIgnoreCase, flags & 4);
  regexp.SetOption(kelmo::bmreMetaChars, !(flags & 8));
  regexp.SetPattern(pattern);
  int position = -1;
  int length = -1;
  try {
    const int result = regexp.Match(text, start, position, length);
    if (result != position || length < 0) __builtin_trap();
    if (position == 0 && length != 0) __builtin_trap();
    const int textLength = static_cast<int>(text.size());
    if (position != 0 && (position < start || position - 1 + length > textLength)) {
      __builtin_trap();
    }
  } catch (const kelmo::EbmREToken&) {
    // A syntax error or a pattern beyond the limits: callers treat it as never matching.
  } catch (const std::runtime_error&) {
    // Only a UTF-16 pattern of odd length cannot be read at all.
    if (flags % 4 != kelmo::bmccUnicode || pattern.size() % 2 == 0) __builtin_trap();
  }
  return 0;
}
