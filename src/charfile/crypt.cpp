#include "charfile/crypt.h"

#include <algorithm>
#include <cctype>

namespace kelmo {
namespace {

// Shifts keep a byte within 32..255: overflow wraps back by 224, underflow forward by 224.
constexpr int kShiftModulus = 20;
constexpr int kWrap = 224;

uint8_t ScrambleByte(uint8_t byte, uint8_t shift) {
  int result = byte + shift;
  if (result > 255) result -= kWrap;
  return static_cast<uint8_t>(result);
}

uint8_t UnscrambleByte(uint8_t byte, uint8_t shift) {
  int result = byte - shift;
  if (result < 32) result += kWrap;
  return static_cast<uint8_t>(result);
}

}  // namespace

void TCrypt::SetKey(std::string_view key) {
  key_ = key;
  shifts_.clear();
  for (const char byte : key) shifts_.push_back(static_cast<uint8_t>(byte) % kShiftModulus);
}

std::string TCrypt::TransformText(std::string_view line) const {
  std::string out(line);
  if (shifts_.empty()) return out;
  size_t position = 0;
  for (char& byte : out) {
    const uint8_t value = static_cast<uint8_t>(byte);
    const uint8_t shift = shifts_[position];
    byte = static_cast<char>(Mode == Scramble ? ScrambleByte(value, shift) : UnscrambleByte(value, shift));
    if (++position == shifts_.size()) position = 0;
  }
  return out;
}

void TCrypt::TransformList(std::vector<std::string>& lines) {
  if (lines.empty()) return;
  if (Mode == Unscramble) lines.erase(lines.begin());
  for (std::string& line : lines) line = TransformText(line);
  if (Mode == Scramble) {
    const std::string fileKey = key_;
    SetKey(kBuiltInKey);
    lines.insert(lines.begin(), std::string(kScrambledMarker) + TransformText(fileKey));
    SetKey(fileKey);
  }
}

bool IsScrambled(const std::vector<std::string>& lines) {
  if (lines.empty() || lines[0].size() < kScrambledMarker.size()) return false;
  return std::equal(kScrambledMarker.begin(), kScrambledMarker.end(), lines[0].begin(),
                    [](char marker, char byte) {
                      return marker == std::tolower(static_cast<unsigned char>(byte));
                    });
}

std::string ReadFileKey(const std::vector<std::string>& lines) {
  if (!IsScrambled(lines)) return {};
  TCrypt crypt(TCrypt::Unscramble);
  crypt.SetKey(kBuiltInKey);
  return crypt.TransformText(std::string_view(lines[0]).substr(kScrambledMarker.size()));
}

void UnscrambleIfNeeded(std::vector<std::string>& lines) {
  if (!IsScrambled(lines)) return;
  TCrypt crypt(TCrypt::Unscramble);
  crypt.SetKey(ReadFileKey(lines));
  crypt.TransformList(lines);
}

}  // namespace kelmo
