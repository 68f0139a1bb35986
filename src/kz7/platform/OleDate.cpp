#include "kz7/platform/OleDate.h"

#include <cmath>

namespace kz7 {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CalendarDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp + (mp < 10 ? 3 : -9);
    return {static_cast<int32_t>(yoe + era * 400 + (m <= 2)), static_cast<int32_t>(m),
            static_cast<int32_t>(d)};
}

constexpr int64_t kOleEpochFromUnix = -25569;  // 1899-12-30 relative to 1970-01-01

}  // namespace

bool IsLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t DaysInMonth(int32_t month, int32_t year) {
    static constexpr int32_t kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 30;
    if (month == 2 && IsLeapYear(year)) return 29;
    return kLengths[month - 1];
}

int32_t DayOfYear(int32_t year, int32_t month, int32_t day) {
    int32_t total = day;
    for (int32_t m = 1; m < month && m <= 12; ++m) total += DaysInMonth(m, year);
    return total;
}

int32_t DaysBetween(const CalendarDate& first, const CalendarDate& second) {
    int32_t between = DayOfYear(second.year, second.month, second.day) -
                      DayOfYear(first.year, first.month, first.day);
    if (between < 0) between += IsLeapYear(first.year) ? 366 : 365;
    return between;
}

double ToOleDate(int32_t year, int32_t month, int32_t day, double hours) {
    return static_cast<double>(DaysFromCivil(year, month, day) - kOleEpochFromUnix) + hours / 24.0;
}

CalendarDate FromOleDate(double oleDate) {
    if (!std::isfinite(oleDate)) return {};
    return CivilFromDays(static_cast<int64_t>(std::floor(oleDate)) + kOleEpochFromUnix);
}

int32_t DayOfWeekMondayFirst(int32_t year, int32_t month, int32_t day) {
    // 1970-01-01 was a Thursday (4).
    int64_t days = DaysFromCivil(year, month, day);
    int64_t weekday = ((days % 7) + 7 + 3) % 7;  // 0 = Monday
    return static_cast<int32_t>(weekday + 1);
}

}  // namespace kz7
