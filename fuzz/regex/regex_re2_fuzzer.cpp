// Differential fuzzing against RE2 in Latin-1 mode with longest match, on the part of the
// language where the two agree: literal bytes, escapes, non-negated bracket expressions, groups,
// alternation (empty alternatives included), `*`, `+` and `?`. The engine runs on single-byte
// text, so both see one character per byte. The input's first byte is the text length; the text
// is the input's tail and the rest chooses the pattern. Any difference in position or length
// is a failure.
//
// RE2 (2022-12) drops matches when it factors a common prefix holding a byte above 0x7F out of
// alternatives, so its copy of the pattern puts such literals and every bracket expression in a
// capturing group, which it does not factor; the groups change nothing else.
#include <re2/re2.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "regex/regexp.h"

namespace {

// Reads generator choices from the fuzz input, zero when it runs out.
class Choices {
 public:
  Choices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int Next(int bound) { return position_ < size_ ? data_[position_++] % bound : 0; }
  bool Done() const { return position_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

constexpr int kMaxDepth = 8;

// A piece of the pattern in our form and in the form given to RE2.
struct Piece {
  std::string ours;
  std::string theirs;
  Piece& operator+=(const Piece& other) {
    ours += other.ours;
    theirs += other.theirs;
    return *this;
  }
};

Piece Same(const std::string& text) {
  return {text, text};
}

// A byte as a pattern character both languages read as itself.
Piece Literal(int byte) {
  static const std::string kPlain = "abcxyzABC019 ,;:!\"#%&'/<=>@_`~-";
  if (byte < static_cast<int>(kPlain.size())) return Same(std::string(1, kPlain[byte]));
  static const char* const kEscapes[] = {"\\.", "\\*", "\\+", "\\?", "\\(", "\\)",
                                         "\\[", "\\]", "\\|", "\\^", "\\$", "\\\\",
                                         "\\n", "\\r", "\\t", "\\f", "\\v", "\\a"};
  const int escape = byte - static_cast<int>(kPlain.size());
  if (escape < static_cast<int>(std::size(kEscapes))) return Same(kEscapes[escape]);
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", byte);
  return byte > 0x7F ? Piece{hex, std::string("(") + hex + ")"} : Same(hex);
}

std::string ClassItem(Choices& choices) {
  static const std::string kItems = "abcxyz019 ,;!#%&'/<=>@_~";
  const auto item = [&] {
    const int pick = choices.Next(static_cast<int>(kItems.size()) + 3);
    if (pick < static_cast<int>(kItems.size())) return std::string(1, kItems[pick]);
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", choices.Next(256));
    return std::string(hex);
  };
  if (choices.Next(3) != 0) return item();
  const int low = choices.Next(200);
  const int high = low + choices.Next(256 - low);
  char range[16];
  std::snprintf(range, sizeof range, "\\x%02x-\\x%02x", low, high);
  return range;
}

Piece Alternation(Choices& choices, int depth);

Piece Item(Choices& choices, int depth) {
  Piece item;
  switch (choices.Next(depth < kMaxDepth ? 6 : 4)) {
    case 0:
    case 1:
      item = Literal(choices.Next(256));
      break;
    case 2:
    case 3: {
      std::string items;
      const int count = 1 + choices.Next(4);
      for (int index = 0; index < count; ++index) items += ClassItem(choices);
      item = {"[" + items + "]", "([" + items + "])"};
      break;
    }
    default: {
      const Piece inner = Alternation(choices, depth + 1);
      item = {"(" + inner.ours + ")", "(" + inner.theirs + ")"};
      break;
    }
  }
  const int postfix = choices.Next(6);
  if (postfix < 3) item += Same(std::string(1, "*+?"[postfix]));
  return item;
}

Piece Alternation(Choices& choices, int depth) {
  Piece pattern;
  bool first = true;
  do {
    if (!first) pattern += Same("|");
    first = false;
    const int items = choices.Next(5);
    for (int index = 0; index < items && !choices.Done(); ++index) {
      pattern += Item(choices, depth);
    }
  } while (choices.Next(4) == 0 && !choices.Done());
  return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t textLength = std::min<size_t>(data[0], size - 1);
  const std::string text(reinterpret_cast<const char*>(data + size - textLength), textLength);
  Choices choices(data + 1, size - 1 - textLength);
  const Piece pattern = Alternation(choices, 0);

  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_longest_match(true);
  options.set_log_errors(false);
  const RE2 theirs(pattern.theirs, options);
  if (!theirs.ok()) return 0;

  kelmo::TbmRExp ours;
  ours.SetCharCode(kelmo::bmccSBCS);
  ours.SetPattern(pattern.ours);
  int position = 0;
  int length = 0;
  try {
    ours.Match(text, 1, position, length);
  } catch (const kelmo::EbmREToken& error) {
    if (std::string(error.what()) == "pattern too complex") return 0;
    std::fprintf(stderr, "pattern '%s' rejected: %s\n", pattern.ours.c_str(), error.what());
    __builtin_trap();
  }

  re2::StringPiece match;
  const bool found = theirs.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1);
  const int expectedPosition = found ? static_cast<int>(match.data() - text.data()) + 1 : 0;
  const int expectedLength = found ? static_cast<int>(match.size()) : 0;
  if (position != expectedPosition || length != expectedLength) {
    std::fprintf(stderr, "pattern '%s' (RE2 '%s'): ours %d+%d, RE2 %d+%d\n", pattern.ours.c_str(),
                 pattern.theirs.c_str(), position, length, expectedPosition, expectedLength);
    __builtin_trap();
  }
  return 0;
}
