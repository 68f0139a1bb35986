#pragma once
// Reduced weather tapes: one mean day of 24 hours for each month, and the
// day-count file saying how many real days each weekday stands for.
//
// Tape (".rwt"/".fwt"): items separated by commas, blanks or line ends;
// 288 records of 8 numbers (January hour 1 first), then the day-count file
// name. Day-count file: a heading item, then 12 rows of 7 numbers
// (Monday .. Sunday). An item in double quotes may hold blanks and commas.
#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

namespace kz7 {

class EnergyPlusWeather;

// One hour of the month-by-hour table: the conditions at the end of the hour.
struct TapeHour {
    float dryBulb = 0.0f;            // °C
    float wetBulb = 0.0f;            // °C
    float directNormal = 0.0f;       // W/m²
    float diffuseHorizontal = 0.0f;  // W/m²
    float azimuth = 0.0f;            // rad clockwise from north
    float altitude = 0.0f;           // rad
    float windSpeed = 0.0f;          // m/s
    float pressure = 0.0f;           // hPa
};

class MonthHourTable {
  public:
    // month 1..12, hour 1..24.
    TapeHour& At(int32_t month, int32_t hour) { return hours_[Index(month, hour)]; }
    const TapeHour& At(int32_t month, int32_t hour) const { return hours_[Index(month, hour)]; }

  private:
    static size_t Index(int32_t month, int32_t hour) {
        return static_cast<size_t>((month - 1) * 24 + (hour - 1));
    }
    std::array<TapeHour, 288> hours_{};
};

// Days of each weekday (Monday first) that each month's simulated days stand for.
using DayCountTable = std::array<std::array<float, 7>, 12>;

// Items of a tape or day-count file, read one by one.
class TapeItems {
  public:
    explicit TapeItems(std::istream& input);
    // The next item; false at the end of the text.
    bool Next(std::string& item);
    // The next item as a number; false (with `problem` set) when missing or not a number.
    bool NextNumber(float& value, std::string& problem);
    int32_t ItemCount() const { return count_; }

  private:
    std::string text_;
    size_t position_ = 0;
    int32_t count_ = 0;
};

// Reads the 288 records into `table` (entries before a fault keep what they
// were given) and the day-count file name. False with `problem` set on a fault.
bool ReadTapeTable(std::istream& input, MonthHourTable& table, std::string& dayCountName,
                   std::string& problem);
// Reads a day-count file into `counts`; false with `problem` set on a fault.
bool ReadDayCounts(std::istream& input, DayCountTable& counts, std::string& problem);

// Writes a tape from an hourly weather file that has been read: for each
// month the mean day hour by hour, the sun of the month's middle day, and the
// file "NAME.dcf" with the days of each weekday. `folder` must exist.
// False with `problem` set when a file cannot be written or a month has no data.
bool MakeReducedTape(const EnergyPlusWeather& source, const std::string& name,
                     const std::string& folder, std::string& problem);

}  // namespace kz7
