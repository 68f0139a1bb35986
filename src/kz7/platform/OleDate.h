#pragma once
// The engine's calendar: leap years, day of year, weekdays and OLE
// automation dates (days since 1899-12-30 00:00, fraction = time of day).
#include <cstdint>

namespace kz7 {

struct CalendarDate {
    int32_t year = 1899;
    int32_t month = 12;
    int32_t day = 30;
};

bool IsLeapYear(int32_t year);
// Days in `month` (1..12) of `year`; February takes the Gregorian leap rule.
int32_t DaysInMonth(int32_t month, int32_t year);
// Day of the year (1..366) of a date, counting 29 February in leap years.
int32_t DayOfYear(int32_t year, int32_t month, int32_t day);
// Day of year of the second date minus that of the first; when the first is
// later, 365 (366 when the first date's year is a leap year) is added.
int32_t DaysBetween(const CalendarDate& first, const CalendarDate& second);

// OLE automation date of a calendar date and time of day.
double ToOleDate(int32_t year, int32_t month, int32_t day, double hours = 0.0);
// Calendar date of an OLE automation date (its whole-day part).
CalendarDate FromOleDate(double oleDate);
// Weekday of a date: 1 = Monday ... 7 = Sunday.
int32_t DayOfWeekMondayFirst(int32_t year, int32_t month, int32_t day);

}  // namespace kz7
