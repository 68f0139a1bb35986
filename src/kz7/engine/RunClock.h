#pragma once
// The run clock: run state written by the engine object (and, where said, by
// the weather source) and read by every calculation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "kz7/platform/OleDate.h"

namespace kz7 {

struct SimulationPeriod {
    int32_t startDay = 1;
    int32_t startMonth = 1;
    int32_t startYear = 0;
    int32_t endDay = 31;
    int32_t endMonth = 12;
    int32_t endYear = 0;
};

// Days of a weather file laid on a run's own calendar: each keeps its month
// and day, on consecutive years. A typical year, whose months come from
// different years, reads as one year; a period past the year end moves on
// into the next; the first day keeps its own year.
class RunCalendar {
  public:
    void Start() {
        year_ = 0;
        month_ = 0;
    }
    bool IsSet() const { return year_ != 0; }
    // The OLE date of the day on the calendar, for a run whose February has
    // `februaryDays` days. The year is the first day's source year, or the
    // next one whose February is the run's: a typical year that takes its
    // January from a leap year but has no 29 February would otherwise leave
    // a day without records, and one that has it would lay it on 1 March.
    double Lay(int32_t sourceYear, int32_t month, int32_t day, int32_t februaryDays = 0) {
        if (year_ == 0)
            year_ = WithFebruaryOf(sourceYear, februaryDays);
        else if (month < month_)
            year_ = WithFebruaryOf(year_ + 1, februaryDays);
        month_ = month;
        return ToOleDate(year_, month, day);
    }

  private:
    // `year` or the first year after it whose February has `februaryDays`
    // days (any year when that is neither 28 nor 29).
    static int32_t WithFebruaryOf(int32_t year, int32_t februaryDays) {
        if (februaryDays != 28 && februaryDays != 29) return year;
        while (DaysInMonth(2, year) != februaryDays) ++year;
        return year;
    }

    int32_t year_ = 0;
    int32_t month_ = 0;
};

struct RunClock {
    bool heatLossRun = false;
    bool heatGainRun = false;
    bool warmUp = false;
    int32_t runKind = 2;
    int32_t weatherType = 3;  // 2, 4: full-year hourly; 3: reduced tape

    int32_t year = 2003;
    int32_t month = 1;
    int32_t day = 1;
    int32_t dayType = 1;  // 1 Monday ... 7 Sunday
    double date = 0.0;    // OLE date of the current day
    int32_t hour = 1;     // 1..24
    float decimalHour = 0.0f;
    int32_t stepEndMinute = 60;  // minutes from midnight to the end of the current step

    int32_t timeStep = 60;  // minutes
    double timeStepSeconds = 3600.0;

    int32_t numberOfDays = 365;
    int32_t warmUpDays = 0;
    int32_t heatGainDesignDays = 15;
    int32_t heatLossDesignDays = 50;
    float initialTemperature = 15.0f;

    SimulationPeriod period;
    float totalFloorArea = 0.0f;
    std::string programFolder;
    bool programFolderSet = false;

    // Calendar values the weather source sets when it opens its data.
    int32_t yearJan1 = 0;
    int32_t yearSimStart = 0;
    int32_t siteRecordSimStart = 0;

    void SetTimeStep(int32_t minutes) {
        timeStep = minutes;
        timeStepSeconds = static_cast<double>(minutes) * 60.0;
    }

    // The run's own calendar, on which result records are timed; in use
    // (IsSet) once an hourly weather file lays its days on it. Until then
    // records keep the clock's own dates: the reduced tape and the design
    // days already lie on one year.
    RunCalendar calendar;
    double calendarDate = 0.0;  // OLE date of the current day on the run's calendar

    void LayOnRunCalendar(int32_t sourceYear, int32_t februaryDays) {
        calendarDate = calendar.Lay(sourceYear, month, day, februaryDays);
    }

    // The OLE date a result record of `interval` (1 step, 2 hour, 3 day,
    // 4 month, ...) carries: the end of the interval it covers, so that the
    // hours of a day keep their own times. A step ends at `stepEndMinute`
    // (its mid-point, rounded to a whole minute, cannot tell the steps of a
    // one-minute run apart); hour h ends at h/24 of the day, hour 24 at 00:00
    // of the next day. Day and month records, and the run's summaries, keep
    // the date of the day they end on, so that their date names that day.
    double RecordDate(int32_t interval) const { return EndOfInterval(date, interval); }
    // The same on the run's own calendar: increasing through the run.
    double RecordTime(int32_t interval) const {
        return EndOfInterval(calendar.IsSet() ? calendarDate : date, interval);
    }

  private:
    double EndOfInterval(double day, int32_t interval) const {
        constexpr int32_t kStepInterval = 1;
        constexpr int32_t kHourInterval = 2;
        constexpr double kMinutesPerDay = 1440.0;
        // One rounding from whole minutes, so that a time read back to the
        // millisecond falls exactly on its minute.
        const auto at = [day](double minutes) {
            return (day * kMinutesPerDay + minutes) / kMinutesPerDay;
        };
        if (interval == kStepInterval) return at(stepEndMinute);
        if (interval == kHourInterval) return at(hour * 60.0);
        return day;
    }
};

}  // namespace kz7
