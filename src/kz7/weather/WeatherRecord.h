#pragma once
// One hourly record of an hourly weather file.
#include <cstdint>

namespace kz7 {

struct WeatherRecord {
    float Tdb = 0.0f;       // dry bulb, °C
    float Twb = 0.0f;       // wet bulb, °C (computed from dry bulb, dew point and pressure)
    float Idn = 0.0f;       // direct normal, W/m²
    float Ifh = 0.0f;       // diffuse horizontal, W/m²
    float Azimuth = 0.0f;   // sun azimuth at the end of the hour, rad clockwise from north
    float Altitude = 0.0f;  // sun altitude at the end of the hour, rad
    float WS = 0.0f;        // wind speed, m/s
    float WDir = 0.0f;      // wind direction, degrees
    uint8_t iCloud = 0;     // total sky cover, oktas 0..8
    float PATMOS = 0.0f;    // station pressure, hPa
    int32_t Hour = 0;       // 1..24, the hour ending at Hour:00
    int32_t DayOfMonth = 0;
    int32_t Month = 0;
    int32_t Year = 0;
    int32_t Minute = 0;
    int32_t HourFromStartJan1 = 0;  // not filled
    int32_t Index = 0;              // 0-based position among the file's records
    // Weekday (1 Monday .. 7 Sunday) counted on from the file's stated start
    // day; what typical-year files, whose records mix years, must use.
    int32_t DayOfWeek = 0;
};

}  // namespace kz7
