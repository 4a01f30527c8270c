// The byte scrambler of dictionary and state files.
//
// A scrambled file starts with a header line: "encrypted" (any letter case) followed by the file
// key, itself scrambled with the built-in key. Every other line is scrambled with the file key.
// Each byte is shifted by the key byte at the same position (key byte modulo 20, the key repeating
// along the line) within the range 32..255, so a scrambled line keeps its length and never holds a
// line break. Nothing verifies a key: a wrong key unscrambles to wrong text, silently.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// The key that scrambles the file key in the header line.
inline constexpr std::string_view kBuiltInKey = "MossyLanterns";

// The header line's marker, compared without regard to ASCII letter case.
inline constexpr std::string_view kScrambledMarker = "encrypted";

class TCrypt {
 public:
  enum TCryptMode : uint8_t { Scramble = 0, Unscramble = 1 };

  explicit TCrypt(TCryptMode mode) : Mode(mode) {}

  // Makes key the current key: one shift per key byte, the byte's value modulo 20.
  void SetKey(std::string_view key);

  // The line scrambled or unscrambled with the current key; same byte count. An empty key returns
  // the line unchanged. The key position starts afresh for every line.
  std::string TransformText(std::string_view line) const;

  // Whole-file operation on a list of lines. Scrambling transforms every line and puts the header
  // in front (the current key is kept afterwards); unscrambling drops the first line, whatever it
  // holds, and transforms the rest. An empty list stays empty.
  void TransformList(std::vector<std::string>& lines);

  const TCryptMode Mode;

 private:
  std::vector<uint8_t> shifts_;
  std::string key_;
};

// True when the list is not empty and its first line starts with "encrypted" in any letter case.
bool IsScrambled(const std::vector<std::string>& lines);

// The file key carried by the header of a scrambled list; the empty text otherwise.
std::string ReadFileKey(const std::vector<std::string>& lines);

// Unscrambles lines in place when they are scrambled; leaves a plain list as it is. This is how
// every data file that may be scrambled is read.
void UnscrambleIfNeeded(std::vector<std::string>& lines);

}  // namespace kelmo
