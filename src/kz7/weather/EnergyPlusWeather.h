#pragma once
// Reader of EnergyPlus weather files (EPW): 8 header lines, then one line per
// hour. The whole file is held in memory; records are served by position or
// by the run clock's date and hour, and can be sent to the host as hourly,
// daily and monthly weather rows.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kz7/engine/RunClock.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/OleDate.h"
#include "kz7/weather/SunPosition.h"
#include "kz7/weather/WeatherRecord.h"

namespace kz7 {

class EngineState;

class EnergyPlusWeather {
  public:
    explicit EnergyPlusWeather(EngineState& state);

    // Loads `fileName`, or re-walks the records already loaded from it (see
    // the rules in the source). False when nothing usable was loaded.
    bool OpenFile(const std::string& fileName);
    bool ReadHeader();
    // Warns when the model's "Location" record is more than 1° away from the
    // header's position, which is the one the sun is computed from.
    void CompareWithLocation() const;
    bool ReadData();
    void CloseFile() { reader_.Close(); }

    // Copies the record at 1-based `index`; false outside 1..RecordCount.
    // A record's own 0-based Index therefore gives the record before it.
    bool ReadRecordFromIndex(int32_t index, WeatherRecord& record) const;
    // Copies the record of the run clock's hour, day and month; reports
    // "No weather data for ..." and leaves `record` alone when there is none.
    bool ReadRecordFromSimDate(WeatherRecord& record);
    static void CopyRecord(const WeatherRecord& source, WeatherRecord& destination);

    // Weather rows to the host (Zone −1): hourly, daily and monthly.
    void SendHourlyWeatherData();
    void SendDailyWeatherData();
    void SendMonthlyWeatherData();
    void InitDay() { day_.fill(0.0); }
    void InitMonth() {
        month_.fill(0.0);
        monthDays_ = 0;
    }

    // Header values. Longitude is east-positive, as the file gives it.
    std::string City, StateProvince, Country, Source, StationNumber;
    float Latitude = 0.0f;
    float Longitude = 0.0f;
    float TimeZone = 0.0f;
    float Elevation = 0.0f;
    int32_t StartDayOfWeek = 0;  // 1 Monday .. 7 Sunday; 0 when the file names none

    // The simulation period found in the records (set by every open).
    int32_t SimStartRecordIndex = 0;  // 0-based index of the start day's hour 1
    int32_t YearJan1 = 0;

    const std::string& FileName() const { return fileName_; }
    int32_t RecordCount() const { return static_cast<int32_t>(records_.size()); }
    const std::vector<WeatherRecord>& Records() const { return records_; }
    CalendarDate FirstRecordDate() const;
    CalendarDate LastRecordDate() const;

    // Typical-year files join months of different years. These say how the
    // records read: all of one year, and February's length as held.
    bool IsOneCalendarYear() const { return oneCalendarYear_; }
    int32_t FebruaryDays() const { return februaryDays_; }
    // Length of `month` in the file's own year: calendar rules for a file of
    // one year, the file's February otherwise.
    int32_t DaysInFileMonth(int32_t month) const;
    // The days of `period`, from its start to its end (on past December when
    // the end comes first), by month and day with the file's month lengths,
    // that lack any of their 24 hours in the records loaded: how many, and
    // the first of them. A run reports "No weather data" for each such hour.
    struct MissingDays {
        int32_t count = 0;
        int32_t firstMonth = 0;
        int32_t firstDay = 0;
    };
    MissingDays DaysWithoutRecords(const SimulationPeriod& period) const;
    // Day type (1 Monday .. 7 Sunday) of a record: by the calendar for a file
    // of one year, by counting from the DATA PERIODS start day otherwise.
    int32_t DayTypeOf(const WeatherRecord& record) const;
    // The sun over the file's site at `time` (hours, standard time) of a day.
    SunAngles SiteSun(int32_t dayOfYear, double time) const;

  private:
    bool ParseDataLine(WeatherRecord& record, std::string& problem) const;
    // Station pressure (Pa) of a data line; one outside the format's valid
    // range is missing and gives the standard atmosphere at the elevation.
    double StationPressure(double pascals) const;
    // Day-of-week counting and start/end detection of one record in order.
    void WalkRecord(WeatherRecord& record, int32_t count);
    void WalkLoadedRecords();
    void SetSunPosition(WeatherRecord& record) const;
    void SendRecordRows();
    void SummariseFile();
    void Forget();
    void SendRow(int16_t interval, const std::array<double, 10>& values, double date, double time);
    // Position of a key in slots_, or -1 for a date and hour no file holds.
    static int32_t SlotOf(int32_t month, int32_t day, int32_t hour);

    EngineState& state_;
    LineReader reader_;
    std::string fileName_;
    std::vector<WeatherRecord> records_;
    // The record key (hour, day of month, month) as a direct index into
    // records_, -1 where the file has no record: a lookup per time step costs
    // no allocation.
    std::array<int32_t, 12 * 31 * 24> slots_{};
    int32_t dayCounter_ = 0;
    bool oneCalendarYear_ = true;
    int32_t februaryDays_ = 28;
    int32_t lastMissingSlot_ = -1;

    WeatherRecord reading_;  // the record being read, whose rows are sent
    std::array<double, 10> day_{};
    std::array<double, 10> month_{};
    int32_t monthDays_ = 0;  // days added into month_
    int32_t openMonth_ = 0;  // month that month_ accumulates
    // The rows' days laid on one calendar, so that their times increase
    // through a typical year whose months come from different years.
    RunCalendar calendar_;
    double calendarDay_ = 0.0;  // OLE date on that calendar of the day read
};

}  // namespace kz7
