// Arbitrary bytes through the line rule: lines never hold CR, LF or NUL, and joining them back
// never yields more bytes than the text before its first NUL.
#include <cstddef>
#include <cstdint>
#include <string>

#include "charfile/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t total = 0;
  for (const std::string& line : kelmo::SplitLines(text)) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) __builtin_trap();
    total += line.size() + 1;
  }
  if (total > text.substr(0, text.find('\0')).size() + 1) __builtin_trap();
  return 0;
}
