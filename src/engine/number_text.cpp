// Formatting rounds once, through std::to_chars in scientific form with 15 digits, and then lays
// the digits out by the exponent rule; reading checks the grammar itself and hands only a proven
// ASCII number to strtold_l under the "C" locale, so the program's locale never changes a result.
// Small integers, which kind 0 conditions compare at every lookup, take a direct road both ways
// that gives the same text and value.
#include "engine/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace kelmo {
namespace {

// Significant digits of the written form.
constexpr int kSignificantDigits = 15;
// Beyond this decimal exponent (value = 0.d1d2... x 10^E) the written form turns scientific.
constexpr int kLargestPlainExponent = 15;
// Below this one as well.
constexpr int kSmallestPlainExponent = -3;

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Integers of fewer digits than this are read and written directly: long double holds them
// exactly, and they are what counters and comparisons mostly hold.
constexpr size_t kDirectIntegerDigits = 19;
// Integral values below this magnitude have at most 15 digits: their general form is their digits.
constexpr long double kDirectIntegerLimit = 1e15L;

// The value of text when it is optional blanks, an optional sign, decimal digits (fewer than
// kDirectIntegerDigits) and optional blanks; false otherwise, for the general reading to decide.
bool TryReadPlainInteger(std::u16string_view text, long double& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const size_t firstDigit = i;
  uint64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) magnitude = magnitude * 10 + (text[i] - u'0');
  const size_t digits = i - firstDigit;
  if (digits == 0 || digits >= kDirectIntegerDigits) return false;
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return false;
  // As strtold reads it: "-0" is negative zero.
  value = negative ? -static_cast<long double>(magnitude) : static_cast<long double>(magnitude);
  return true;
}

// The "C" locale, created once, for reading numbers whatever LC_NUMERIC says.
locale_t ClassicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return locale;
}

// The digits of |value| rounded to 15 significant digits, without trailing zeros, and the
// exponent E with |value| = 0.digits x 10^E.
void SignificantDigits(long double value, std::string& digits, int& exponent) {
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                     std::chars_format::scientific, kSignificantDigits - 1);
  // written holds "d.dddddddddddddde[+-]x..."
  const std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
  const size_t e = text.find('e');
  digits.assign(1, text[0]);
  digits.append(text.substr(2, e - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int powerOfTen = 0;
  const std::string_view power = text.substr(e + 1);
  const char* start = power.data() + (power.front() == '+' ? 1 : 0);
  std::from_chars(start, power.data() + power.size(), powerOfTen);
  exponent = powerOfTen + 1;
}

}  // namespace

std::string FormatNumber(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  if (std::fabs(value) < kDirectIntegerLimit && value == std::trunc(value)) {
    return std::to_string(static_cast<int64_t>(value));
  }
  std::string digits;
  int exponent = 0;
  SignificantDigits(value, digits, exponent);

  std::string text = value < 0 ? "-" : "";
  if (exponent > kLargestPlainExponent || exponent < kSmallestPlainExponent) {
    text += digits[0];
    if (digits.size() > 1) text += "." + digits.substr(1);
    text += "E" + std::to_string(exponent - 1);
  } else if (exponent <= 0) {
    text += "0." + std::string(static_cast<size_t>(-exponent), '0') + digits;
  } else {
    const size_t whole = static_cast<size_t>(exponent);
    if (digits.size() <= whole) {
      text += digits + std::string(whole - digits.size(), '0');
    } else {
      text += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  }
  return text;
}

bool TryReadNumber(std::u16string_view text, long double& value) {
  if (TryReadPlainInteger(text, value)) return true;
  size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && text[i] == u' ') ++i;
  };
  const auto copyDigits = [&](std::string& out) {
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i])) out += static_cast<char>(text[i++]);
    return i - start;
  };

  std::string number;
  skipBlanks();
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    number += static_cast<char>(text[i++]);
  size_t mantissaDigits = copyDigits(number);
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    mantissaDigits += copyDigits(number);
  }
  if (mantissaDigits == 0) return false;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    number += 'e';
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
      number += static_cast<char>(text[i++]);
    if (copyDigits(number) == 0) return false;
  }
  skipBlanks();
  if (i != text.size()) return false;

  const long double read = strtold_l(number.c_str(), nullptr, ClassicLocale());
  if (std::isinf(read)) return false;
  value = read;
  return true;
}

bool TryReadInteger(std::u16string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

  const auto startsWith = [&](std::u16string_view prefix) {
    if (text.size() - i < prefix.size()) return false;
    for (size_t k = 0; k < prefix.size(); ++k) {
      const char16_t c = text[i + k];
      const char16_t lower =
          prefix[k] >= u'A' && prefix[k] <= u'Z' ? prefix[k] + (u'a' - u'A') : prefix[k];
      if (c != prefix[k] && c != lower) return false;
    }
    return true;
  };
  unsigned base = 10;
  if (startsWith(u"$") || startsWith(u"X")) {
    base = 16;
    i += 1;
  } else if (startsWith(u"0X")) {
    base = 16;
    i += 2;
  }

  // The magnitude may hold one more than INT32_MAX (the decimal minimum) or all 32 bits (hex).
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t magnitude = 0;
  const size_t firstDigit = i;
  for (; i < text.size(); ++i) {
    const int digit =
        base == 16 ? HexDigitValue(text[i]) : (IsDigit(text[i]) ? text[i] - u'0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return false;
  }
  if (i == firstDigit) return false;

  const uint32_t bits = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
  value = static_cast<int32_t>(bits);
  return true;
}

}  // namespace kelmo
