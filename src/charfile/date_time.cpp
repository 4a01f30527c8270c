// Civil-date arithmetic after the well-known days-from-civil algorithm; no time zone enters
// except when reading the clock.
#include "charfile/date_time.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace kelmo {
namespace {

constexpr long long kMillisecondsPerDay = 86400000LL;
// Day number of 1899-12-30 counted from 1970-01-01.
constexpr long long kEpochOffsetDays = -25569;

long long DaysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2));
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

TDateTime NowLocal() { return TLocalClock().Now(); }

TDateTime TLocalClock::Now() {
  if (source_) return source_();
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  if (seconds != second_) {
    std::tm local{};
    localtime_r(&seconds, &local);
    parts_.Year = local.tm_year + 1900;
    parts_.Month = local.tm_mon + 1;
    parts_.Day = local.tm_mday;
    parts_.Hour = local.tm_hour;
    parts_.Minute = local.tm_min;
    parts_.Second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    second_ = seconds;
  }
  TDateTimeParts parts = parts_;
  parts.Millisecond =
      static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  TDateTime value = 0;
  TryEncodeDateTime(parts, value);
  return value;
}

bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& value) {
  if (parts.Year < 1 || parts.Year > 9999 || parts.Month < 1 || parts.Month > 12 || parts.Day < 1 ||
      parts.Day > DaysInMonth(parts.Year, parts.Month) || parts.Hour < 0 || parts.Hour > 23 ||
      parts.Minute < 0 || parts.Minute > 59 || parts.Second < 0 || parts.Second > 59 ||
      parts.Millisecond < 0 || parts.Millisecond > 999) {
    return false;
  }
  const long long days =
      DaysFromCivil(parts.Year, static_cast<unsigned>(parts.Month), static_cast<unsigned>(parts.Day)) -
      kEpochOffsetDays;
  const double time =
      ((parts.Hour * 60 + parts.Minute) * 60 + parts.Second) * 1000.0 + parts.Millisecond;
  // Before the epoch the fraction still counts forward from midnight, away from zero.
  value = days >= 0 ? days + time / kMillisecondsPerDay : days - time / kMillisecondsPerDay;
  return true;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts parts;
  if (!std::isfinite(value)) return parts;
  // Whole days and the time of day, each with the sign convention of the encoding above.
  double dayPart = std::trunc(value);
  long long milliseconds = std::llround(std::fabs(value - dayPart) * kMillisecondsPerDay);
  if (milliseconds >= kMillisecondsPerDay) {
    milliseconds -= kMillisecondsPerDay;
    dayPart += value >= 0 ? 1 : -1;
  }
  CivilFromDays(static_cast<long long>(dayPart) + kEpochOffsetDays, parts.Year, parts.Month, parts.Day);
  parts.Hour = static_cast<int>(milliseconds / 3600000);
  parts.Minute = static_cast<int>(milliseconds / 60000 % 60);
  parts.Second = static_cast<int>(milliseconds / 1000 % 60);
  parts.Millisecond = static_cast<int>(milliseconds % 1000);
  return parts;
}

int DayOfWeek(TDateTime value) {
  // 1899-12-30 was a Saturday.
  const long long days = static_cast<long long>(std::trunc(value));
  return static_cast<int>(((days + 6) % 7 + 7) % 7);
}

}  // namespace kelmo
