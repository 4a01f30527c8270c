// Dates and times as the macro language writes and reads them.
//
// The written forms are fixed patterns of the Japanese calendar convention: "yyyy/mm/dd",
// "hh:nn:ss" on the 24-hour clock, both joined by a blank, and "mm/dd" for comparing anniversaries.
// Reading accepts what those patterns produce and the same with fewer digits: a date
// "y/m/d" (a year of one to four digits, taken as written), optionally followed by blanks and a
// time "h:n" or "h:n:s", or a time alone, which lies on day 0 (1899-12-30).
#pragma once

#include <string>
#include <string_view>

#include "charfile/date_time.h"

namespace kelmo {

// "yyyy/mm/dd": four-digit year, two-digit month and day.
std::string FormatDate(TDateTime value);

// "hh:nn:ss": two-digit hour (0 to 23), minutes and seconds.
std::string FormatTime(TDateTime value);

// "yyyy/mm/dd hh:nn:ss".
std::string FormatDateTime(TDateTime value);

// "mm/dd": two-digit month and day.
std::string FormatMonthDay(TDateTime value);

// Reads "y/m/d", "y/m/d h:n", "y/m/d h:n:s", "h:n" or "h:n:s" between optional blanks: year 1 to 4
// digits, every other field 1 or 2 digits, and together a valid date and time. False (value
// untouched) for any other text.
bool TryReadDateTime(std::u16string_view text, TDateTime& value);

}  // namespace kelmo
