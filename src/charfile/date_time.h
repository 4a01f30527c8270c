// The program's date-time value: days since 1899-12-30 as a 64-bit float, local time, the
// fraction being the time of day. This is the form counters, the profile's birthday and the
// macros' date arithmetic work in.
#pragma once

#include <ctime>
#include <functional>

namespace kelmo {

using TDateTime = double;

// A calendar date and time of day, as local time.
struct TDateTimeParts {
  int Year = 1899;
  int Month = 12;   // 1 to 12
  int Day = 30;     // 1 to 31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

// The current local date and time.
TDateTime NowLocal();

// The current local date and time exactly as NowLocal gives it, with the calendar fields of the
// current second kept: converting the clock to local time costs more than evaluating a short
// condition, and the conditions of a lookup are evaluated within the same second.
class TLocalClock {
 public:
  TDateTime Now();

  // From now on Now() gives what source gives; an empty source returns to the local clock.
  // Transcript tests fix the time a character sees this way.
  void Follow(std::function<TDateTime()> source) { source_ = std::move(source); }

 private:
  std::function<TDateTime()> source_;
  std::time_t second_ = -1;  // the second whose local fields parts_ holds
  TDateTimeParts parts_;
};

// The date-time of the parts; false when they do not name a valid date and time (month 1 to 12,
// a day of that month, hour 0 to 23, minute and second 0 to 59, year 1 to 9999).
bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& value);

// The parts of a date-time (rounded to the millisecond); weekday 0 is Sunday.
TDateTimeParts DecodeDateTime(TDateTime value);
int DayOfWeek(TDateTime value);

}  // namespace kelmo
