// The patterns are written with fixed-width decimal fields from the decoded parts; reading walks
// the text with a small cursor and leaves all range checks to TryEncodeDateTime.
#include "engine/date_text.h"

#include <cstdio>

namespace kelmo {
namespace {

// Most digits of the year field and of every other field.
constexpr int kYearDigits = 4;
constexpr int kFieldDigits = 2;

// The next characters of a text, taken field by field.
class TFieldReader {
 public:
  explicit TFieldReader(std::u16string_view text) : text_(text) {}

  void SkipBlanks() {
    while (position_ < text_.size() && text_[position_] == u' ') ++position_;
  }

  // Reads 1 to maxDigits decimal digits; returns how many it read (0: no number there).
  int Number(int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (digits < maxDigits && position_ < text_.size() && text_[position_] >= u'0' &&
           text_[position_] <= u'9') {
      value = value * 10 + (text_[position_++] - u'0');
      ++digits;
    }
    return digits;
  }

  bool Take(char16_t separator) {
    if (position_ >= text_.size() || text_[position_] != separator) return false;
    ++position_;
    return true;
  }

  bool AtEnd() const { return position_ == text_.size(); }

 private:
  std::u16string_view text_;
  size_t position_ = 0;
};

// Reads the rest of a time after its hour: ":n" or ":n:s".
bool ReadMinutesAndSeconds(TFieldReader& reader, TDateTimeParts& parts) {
  if (!reader.Take(u':') || reader.Number(kFieldDigits, parts.Minute) == 0) return false;
  return !reader.Take(u':') || reader.Number(kFieldDigits, parts.Second) > 0;
}

std::string Format(const char* pattern, int first, int second, int third) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, pattern, first, second, third);
  return buffer;
}

}  // namespace

std::string FormatDate(TDateTime value) {
  const TDateTimeParts parts = DecodeDateTime(value);
  return Format("%04d/%02d/%02d", parts.Year, parts.Month, parts.Day);
}

std::string FormatTime(TDateTime value) {
  const TDateTimeParts parts = DecodeDateTime(value);
  return Format("%02d:%02d:%02d", parts.Hour, parts.Minute, parts.Second);
}

std::string FormatDateTime(TDateTime value) {
  return FormatDate(value) + " " + FormatTime(value);
}

std::string FormatMonthDay(TDateTime value) {
  const TDateTimeParts parts = DecodeDateTime(value);
  return Format("%02d/%02d", parts.Month, parts.Day, 0);
}

bool TryReadDateTime(std::u16string_view text, TDateTime& value) {
  TFieldReader reader(text);
  TDateTimeParts parts;  // day 0 at midnight until fields are read
  reader.SkipBlanks();
  int first = 0;
  const int firstDigits = reader.Number(kYearDigits, first);
  if (firstDigits == 0) return false;
  if (reader.Take(u'/')) {
    parts.Year = first;
    if (reader.Number(kFieldDigits, parts.Month) == 0 || !reader.Take(u'/') ||
        reader.Number(kFieldDigits, parts.Day) == 0) {
      return false;
    }
    reader.SkipBlanks();
    if (!reader.AtEnd()) {
      if (reader.Number(kFieldDigits, parts.Hour) == 0 || !ReadMinutesAndSeconds(reader, parts)) {
        return false;
      }
    }
  } else {
    // A time alone: the first field was its hour.
    if (firstDigits > kFieldDigits) return false;
    parts.Hour = first;
    if (!ReadMinutesAndSeconds(reader, parts)) return false;
  }
  reader.SkipBlanks();
  return reader.AtEnd() && TryEncodeDateTime(parts, value);
}

}  // namespace kelmo
