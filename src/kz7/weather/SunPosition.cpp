#include "kz7/weather/SunPosition.h"

#include <cmath>

#include "kz7/platform/OleDate.h"

namespace kz7 {

namespace {
constexpr double kPi = 3.141592654;
}

SunAngles SunPosX(int32_t dayOfYear, double time, double latitude, double longitude,
                  double stdLongitude) {
    const double n = dayOfYear;
    const double x = n * 6.283185308 / 365.25;
    const double equationOfTime =
        -0.128 * std::sin(x - 0.0488692) - 0.165 * std::sin(2.0 * x + 0.3438299);
    const double solarTime = time + (stdLongitude - longitude) / 15.0 + equationOfTime;

    double hourAngle = (12.0 - solarTime) * 15.0 * kDegreesToRadians;  // positive before noon
    if (hourAngle > kPi) hourAngle -= 2.0 * kPi;
    if (hourAngle < -kPi) hourAngle += 2.0 * kPi;

    double declinationDegrees = 0.3948 - 23.2559 * std::cos(2.0 * kPi * n / 365.0 + 0.1582) -
                                0.3915 * std::cos(4.0 * kPi * n / 365.0 + 0.0934) -
                                0.1764 * std::cos(6.0 * kPi * n / 365.0 + 0.4539);
    if (n < 142) declinationDegrees += 0.15;
    if (n > 196) declinationDegrees -= 0.05;
    const double declination = declinationDegrees * kDegreesToRadians;
    const double phi = latitude * kDegreesToRadians;

    SunAngles sun;
    const double s = std::cos(phi) * std::cos(declination) * std::cos(hourAngle) +
                     std::sin(declination) * std::sin(phi);
    if (std::fabs(1.0 - s * s) <= 1e-5)
        sun.altitude = kPi / 2.0;
    else
        sun.altitude = std::atan(s / std::sqrt(1.0 - s * s));

    const float quotient =
        static_cast<float>(std::sin(hourAngle) / (std::cos(hourAngle) * std::sin(phi) -
                                                  std::cos(phi) * std::tan(declination)));
    const double a = std::atan(static_cast<double>(quotient));
    const double product = a * hourAngle;
    if (product > 0.0 || (product == 0.0 && phi >= 0.0))
        sun.azimuth = kPi - a;
    else if (product == 0.0)
        sun.azimuth = a;
    else
        sun.azimuth = hourAngle >= 0.0 ? -a : 2.0 * kPi - a;
    return sun;
}

SunAngles SunPos(int32_t year, int32_t month, int32_t day, double time, double latitude,
                 double longitude, double stdLongitude, int32_t dayOfYear) {
    if (dayOfYear == 0) dayOfYear = DayOfYear(year, month, day);
    return SunPosX(dayOfYear, time, latitude, longitude, stdLongitude);
}

}  // namespace kz7
