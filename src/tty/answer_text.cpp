// Answer reading helpers.
#include "tty/answer_text.h"

namespace kelmo {
namespace {

// More digits could overflow an int; no list or field of the dialogs comes near.
constexpr size_t kMaxDigits = 9;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::optional<int> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > kMaxDigits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace kelmo
