// Date and time commands. All of them read the evaluation's single current time, so one reply
// never shows two different moments. Date differences are taken in whole milliseconds of the
// calendar, so that a difference of exactly 30 hours is never read as 29.999... and days before
// 1899-12-30 (whose time of day the date-time value counts away from zero) still subtract right.
#include <cmath>
#include <cstdio>

#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/command_support.h"
#include "engine/date_text.h"

namespace kelmo {
namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;

// The weekday names YOUBI gives, Sunday first.
constexpr std::u16string_view kWeekdayNames[] = {u"日曜", u"月曜", u"火曜", u"水曜",
                                                 u"木曜", u"金曜", u"土曜"};

// The date-time as milliseconds on one continuous scale.
int64_t Milliseconds(TDateTime value) {
  const double days = std::trunc(value);
  return static_cast<int64_t>(days) * kMillisecondsPerDay +
         std::llround(std::fabs(value - days) * kMillisecondsPerDay);
}

// Milliseconds in one unit of DATEDIFF: D days, H hours, N minutes, S seconds; 0 for another.
int64_t UnitLength(char16_t unit) {
  switch (unit) {
    case u'D':
      return kMillisecondsPerDay;
    case u'H':
      return 3600000;
    case u'N':
      return 60000;
    case u'S':
      return 1000;
  }
  return 0;
}

}  // namespace

std::u16string DateField(const TCommand& command, TDateField field) {
  const TDateTimeParts parts = DecodeDateTime(command.Now);
  switch (field) {
    case TDateField::kNow:
      return AsciiText(FormatDateTime(command.Now));
    case TDateField::kDate:
      return AsciiText(FormatDate(command.Now));
    case TDateField::kTime:
      return AsciiText(FormatTime(command.Now));
    case TDateField::kYear: {
      char year[16];
      std::snprintf(year, sizeof year, "%04d", parts.Year);
      return AsciiText(year);
    }
    case TDateField::kMonth:
      return IntegerText(parts.Month);
    case TDateField::kDay:
      return IntegerText(parts.Day);
    case TDateField::kHour:
      return IntegerText(parts.Hour);
    case TDateField::kMinute:
      return IntegerText(parts.Minute);
    case TDateField::kSecond:
      return IntegerText(parts.Second);
    case TDateField::kYoubi:
      return std::u16string(kWeekdayNames[DayOfWeek(command.Now)]);
  }
  return {};
}

std::u16string WorkMinutes(const TCommand& command) {
  return IntegerText(DecodeDateTime(command.Now - command.Character.LoadTime).Minute);
}

std::u16string DateDiff(const TCommand& command) {
  const int64_t unit = UnitLength(command.At(9));
  if (unit == 0) return {};
  const TDateTime from = ReadDate(command.Left(10));
  const TDateTime to = ReadDate(command.Right());
  return IntegerText((Milliseconds(to) - Milliseconds(from)) / unit);
}

std::u16string IsSameDay(const TCommand& command) {
  if (command.At(7) != u'D') return {};
  const std::string dates = Narrow(command.SliceFrom(8));
  const TDateTime first = ReadDate(Wide(ExtractField(dates, "|", 0)));
  const TDateTime second = ReadDate(Wide(ExtractField(dates, "|", 1)));
  return TruthText(FormatMonthDay(first) == FormatMonthDay(second));
}

}  // namespace kelmo
