// Arbitrary bytes read as a data file an author wrote, Shift-JIS or UTF-8 after the byte order
// mark: the lines keep the line rule, a UTF-8 file gives as many lines as its text has, and every
// character reported as replaced stands on a line that holds the geta mark it became.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/load_listener.h"
#include "charfile/text_file.h"

namespace {

class TReplaced : public kelmo::TLoadListener {
 public:
  void CharactersReplaced(int lineNumber, const std::string& characters) override {
    if (characters.empty()) __builtin_trap();
    lines.push_back(lineNumber);
  }
  std::vector<int> lines;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TReplaced listener;
  const std::vector<std::string> lines = kelmo::SplitDataLines(text, &listener);
  for (const std::string& line : lines) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) __builtin_trap();
  }
  if (text.starts_with(kelmo::kUtf8ByteOrderMark) &&
      lines.size() != kelmo::SplitLines(text.substr(kelmo::kUtf8ByteOrderMark.size())).size()) {
    __builtin_trap();
  }
  for (const int line : listener.lines) {
    if (line < 1 || static_cast<size_t>(line) > lines.size()) __builtin_trap();
    if (lines[static_cast<size_t>(line) - 1].find(kelmo::kGetaMark) == std::string::npos) {
      __builtin_trap();
    }
  }
  return 0;
}
