// Scrambling with an arbitrary key and unscrambling gives every line of bytes 32..255 back,
// header and key included.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "charfile/crypt.h"
#include "charfile/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t keyLength = data[0] % 32;
  if (size < 1 + keyLength) return 0;
  std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 1 + keyLength; i < size; ++i) {
    const uint8_t byte = data[i];
    if (byte == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (byte >= 32) {
      line += static_cast<char>(byte);
    }
  }
  lines.push_back(line);
  // The file key is a line of text too: bytes below 32 cannot survive in the header.
  for (char& byte : key) byte = static_cast<char>(static_cast<uint8_t>(byte) < 32 ? 'k' : byte);

  std::vector<std::string> scrambled = lines;
  kelmo::TCrypt scramble(kelmo::TCrypt::Scramble);
  scramble.SetKey(key);
  scramble.TransformList(scrambled);
  if (scrambled.size() != lines.size() + 1 || kelmo::ReadFileKey(scrambled) != key) __builtin_trap();
  for (const std::string& text : scrambled) {
    if (kelmo::SplitLines(text + "\r\n").size() != 1 && !text.empty()) __builtin_trap();
  }
  kelmo::UnscrambleIfNeeded(scrambled);
  if (scrambled != lines) __builtin_trap();
  return 0;
}
