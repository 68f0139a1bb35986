#pragma once
// Sun position from date, solar-clock time and site. Longitudes here are
// positive WEST of Greenwich (the convention of the formula); only the
// difference standard meridian − site longitude matters.
#include <cstdint>

namespace kz7 {

constexpr double kDegreesToRadians = 0.017453292522222223;

struct SunAngles {
    double altitude = 0.0;  // radians above the horizon
    double azimuth = 0.0;   // radians clockwise from north, 0 .. 2π
};

// `time` is the clock time in hours (0..24) at the standard meridian.
SunAngles SunPosX(int32_t dayOfYear, double time, double latitude, double longitude,
                  double stdLongitude);
// The same with the day of year taken from the date when `dayOfYear` is 0.
SunAngles SunPos(int32_t year, int32_t month, int32_t day, double time, double latitude,
                 double longitude, double stdLongitude, int32_t dayOfYear = 0);

}  // namespace kz7
