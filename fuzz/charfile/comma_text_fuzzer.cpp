// Feeds arbitrary bytes to the comma-text splitter and the "|" field helpers. Beyond not crashing,
// every field must be a piece of the input (no byte is invented) and the field helpers must agree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "charfile/text_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t total = 0;
  for (const std::string& field : kelmo::SplitCommaText(text)) total += field.size();
  if (total > text.size()) __builtin_trap();

  const int count = kelmo::CountFields(text, "|");
  std::string rest = text;
  for (int i = 0; i < count; ++i) {
    if (kelmo::CutField(rest, "|") != kelmo::ExtractField(text, "|", i)) __builtin_trap();
  }
  if (!rest.empty()) __builtin_trap();
  kelmo::ExpandDigitShorthand(text);
  return 0;
}
