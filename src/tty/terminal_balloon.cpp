// The terminal balloon: prints growth, redraws erasures, starts a new block for anything else.
#include "tty/terminal_balloon.h"

#include <wchar.h>

#include <utility>

namespace kelmo {
namespace {

// Cursor control sequences (ANSI): up n rows, clear to the end of the screen, bold on and off.
constexpr std::string_view kClearToEnd = "\x1b[J";
constexpr std::string_view kBoldOn = "\x1b[1m";
constexpr std::string_view kBoldOff = "\x1b[0m";
// What follows the speaker's name on a block's first line.
constexpr std::string_view kSpeakerSeparator = ": ";
// Shown for a control character.
constexpr char kControlStandIn = '?';

struct TDecoded {
  char32_t CodePoint;
  size_t Length;
};

// One UTF-8 sequence at text[index]; an invalid byte decodes alone as U+FFFD.
TDecoded DecodeUtf8(std::string_view text, size_t index) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(index);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return {0xFFFD, 1};
  }
  if (index + length > text.size()) return {0xFFFD, 1};
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(index + i);
    if ((next & 0xC0) != 0x80) return {0xFFFD, 1};
    value = (value << 6) | (next & 0x3F);
  }
  const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return {0xFFFD, 1};
  }
  return {value, length};
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Wide letters by their blocks, for a locale whose table does not know them.
bool IsWideFallback(char32_t c) {
  struct TRange {
    char32_t First, Last;
  };
  static constexpr TRange kWide[] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
      {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
      {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
  };
  for (const TRange& range : kWide) {
    if (c >= range.First && c <= range.Last) return true;
  }
  return false;
}

}  // namespace

int CharWidth(char32_t codePoint) {
  if (codePoint < 0x80) return 1;
  const int width = ::wcwidth(static_cast<wchar_t>(codePoint));
  if (width >= 0) return width;
  return IsWideFallback(codePoint) ? 2 : 1;
}

int DisplayWidth(std::string_view utf8) {
  int width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const TDecoded decoded = DecodeUtf8(utf8, i);
    width += CharWidth(decoded.CodePoint);
    i += decoded.Length;
  }
  return width;
}

std::string SanitizeForTerminal(std::string_view utf8) {
  std::string result;
  result.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const TDecoded decoded = DecodeUtf8(utf8, i);
    // An invalid byte could be read as a control (0x9B is CSI to an 8-bit terminal).
    const bool invalid = decoded.CodePoint == 0xFFFD && decoded.Length == 1;
    if (IsControl(decoded.CodePoint) || invalid) {
      result += kControlStandIn;
    } else {
      result.append(utf8.substr(i, decoded.Length));
    }
    i += decoded.Length;
  }
  return result;
}

TTerminalBalloon::TTerminalBalloon(std::ostream& out, bool cursorControl)
    : out_(out), cursorControl_(cursorControl) {}

void TTerminalBalloon::SetSize(int columns, int rows) {
  if (columns >= 1) columns_ = columns;
  if (rows >= 1) rows_ = rows;
}

void TTerminalBalloon::SetSpeaker(std::string_view name) {
  speaker_ = SanitizeForTerminal(name);
}

int TTerminalBalloon::PrefixWidth() const {
  return speaker_.empty() ? 0 : DisplayWidth(speaker_) + static_cast<int>(kSpeakerSeparator.size());
}

std::string TTerminalBalloon::Prefix(size_t index) const {
  if (speaker_.empty()) return {};
  if (index > 0) return std::string(static_cast<size_t>(PrefixWidth()), ' ');
  std::string label;
  if (cursorControl_) label.append(kBoldOn);
  label.append(speaker_);
  if (cursorControl_) label.append(kBoldOff);
  label.append(kSpeakerSeparator);
  return label;
}

TTerminalBalloon::TRowsAndColumn TTerminalBalloon::Measure(std::string_view text) const {
  TRowsAndColumn result;
  result.Column = PrefixWidth();
  while (result.Column > columns_) {
    result.Column -= columns_;
    ++result.Rows;
  }
  for (size_t i = 0; i < text.size();) {
    const TDecoded decoded = DecodeUtf8(text, i);
    const int width = CharWidth(decoded.CodePoint);
    if (width > 0 && result.Column + width > columns_) {
      ++result.Rows;
      result.Column = 0;
    }
    result.Column += width;
    i += decoded.Length;
  }
  return result;
}

void TTerminalBalloon::StartBlock(std::vector<std::string> lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out_ << '\n';
    out_ << Prefix(i) << lines[i];
  }
  lines_ = std::move(lines);
  open_ = true;
  out_.flush();
}

bool TTerminalBalloon::RedrawFrom(size_t index, std::vector<std::string> lines) {
  int up = Measure(lines_.back()).Rows - 1;
  for (size_t k = index; k + 1 < lines_.size(); ++k) up += Measure(lines_[k]).Rows;
  if (up >= rows_) return false;
  out_ << '\r';
  if (up > 0) out_ << "\x1b[" << up << 'A';
  out_ << kClearToEnd;
  for (size_t k = index; k < lines.size(); ++k) {
    if (k > index) out_ << '\n';
    out_ << Prefix(k) << lines[k];
  }
  lines_ = std::move(lines);
  out_.flush();
  return true;
}

void TTerminalBalloon::Show(std::vector<std::string> lines) {
  for (std::string& line : lines) line = SanitizeForTerminal(line);
  if (lines.empty()) {
    End();
    return;
  }
  if (!open_) {
    StartBlock(std::move(lines));
    return;
  }
  if (lines == lines_) return;

  const size_t shown = lines_.size();
  // Index of the first line that differs, over the lines both have.
  size_t same = 0;
  while (same < shown && same < lines.size() && lines[same] == lines_[same]) ++same;

  // Growth: every shown line kept, the last one possibly longer, new lines after it.
  const bool grows = lines.size() >= shown && (same >= shown - 1) &&
                     lines[shown - 1].starts_with(lines_[shown - 1]);
  if (grows) {
    out_ << std::string_view(lines[shown - 1]).substr(lines_[shown - 1].size());
    for (size_t k = shown; k < lines.size(); ++k) out_ << '\n' << Prefix(k) << lines[k];
    lines_ = std::move(lines);
    out_.flush();
    return;
  }

  // Erasure: lines kept up to a new last line that is a beginning of the shown one.
  const size_t last = lines.size() - 1;
  const bool erases =
      lines.size() <= shown && same >= last && lines_[last].starts_with(lines[last]);
  if (erases && !cursorControl_) {
    // A stream cannot take letters back: what was printed stays (a wait mark included), and only
    // what comes after the erasure is printed.
    lines_ = std::move(lines);
    return;
  }
  if (erases && RedrawFrom(last, lines)) return;

  End();
  StartBlock(std::move(lines));
}

void TTerminalBalloon::Append(std::string_view text) {
  if (!open_) {
    Show({std::string(text)});
    return;
  }
  const std::string clean = SanitizeForTerminal(text);
  lines_.back() += clean;
  out_ << clean;
  out_.flush();
}

void TTerminalBalloon::Forget() {
  lines_.clear();
  open_ = false;
}

void TTerminalBalloon::End() {
  if (!open_) return;
  out_ << '\n';
  out_.flush();
  lines_.clear();
  open_ = false;
}

}  // namespace kelmo
