// Numbers as the macro language and the state file write and read them.
//
// The written form is the general one with 15 significant digits: plain decimal notation while the
// decimal exponent stays in a window around the digits, scientific notation ("1E20", "1.5E-7")
// outside it, never a plus sign, never trailing zeros. Reading is strict: a number is blanks, a
// sign, digits with at most one point, an exponent and blanks, nothing else; an integer is decimal
// or hexadecimal after "$", "X" or "0X" and must fit in 32 bits. Both work on the characters alone,
// whatever locale the program runs in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmo {

// The general text form with 15 significant digits: "0" for zero; scientific notation when the
// decimal exponent E (value = 0.d1d2... x 10^E) is above 15 or below -3 ("1E15", "1E-5",
// "1.5E-7"), otherwise plain ("0.0001", "0.333333333333333", "100", "123456789012345"). Negative
// values get a leading "-". Infinities and NaN, which no command lets through, give "INF", "-INF"
// and "NAN".
std::string FormatNumber(long double value);

// Reads optional blanks, an optional sign, digits with at most one ".", an optional exponent ("E"
// or "e", optional sign, digits) and optional blanks. False (value untouched) for any other text,
// the empty text included, and for a value too large to hold; a value too small to hold reads as
// zero.
bool TryReadNumber(std::u16string_view text, long double& value);

// Reads optional blanks, an optional sign, then decimal digits, or hexadecimal digits after "$",
// "X" or "0X" (either letter case). Decimal values must lie in the 32-bit signed range;
// hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1). False (value untouched) otherwise.
bool TryReadInteger(std::u16string_view text, int32_t& value);

}  // namespace kelmo
