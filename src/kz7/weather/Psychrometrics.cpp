#include "kz7/weather/Psychrometrics.h"

#include <cmath>
#include <limits>

namespace kz7 {

namespace {

constexpr double kAbsoluteZeroOffset = 273.15;

// The guarded exponential of the older fit: 0 far below, a large finite
// value far above.
double GuardedExp(double argument) {
    if (argument < -80.0) return 0.0;
    if (argument > 80.0) return 5.54e34;
    return std::exp(argument);
}

double EnhancementFactor(double dryBulb) {
    if (dryBulb <= 11.0 || dryBulb == 26.0) return 1.00444 - 7.3e-6 * dryBulb;
    if (dryBulb < 26.0) return 1.004205 + 1.32e-5 * dryBulb;
    return 1.003497 + 4.05e-5 * dryBulb;
}

}  // namespace

double SaturationPressureExponent(double temperature) {
    if (temperature + kAbsoluteZeroOffset < 0.0) return -std::numeric_limits<double>::infinity();
    if (temperature > 0.0) return 7.5 * temperature / (temperature + 237.3) + 0.78571;
    return 10.5380997 - 2663.91 / (temperature + kAbsoluteZeroOffset);
}

double SaturationVapourPressure(double temperature) {
    return std::pow(10.0, SaturationPressureExponent(temperature));
}

double VapourPressure(double dryBulb, double wetBulb, double pressure) {
    const double a = wetBulb >= 0.0 ? 0.000666 : 0.000594;
    return SaturationVapourPressure(wetBulb) - (dryBulb - wetBulb) * pressure * a;
}

double MoistureContent(double dryBulb, double wetBulb, double pressure) {
    const double e = EnhancementFactor(dryBulb);
    const double pv = VapourPressure(dryBulb, wetBulb, pressure);
    const double w = e * 0.62197 * pv / (pressure - e * pv);
    return w < 0.0 ? 0.0 : w;
}

MoistAir MOIST(double dryBulb, double wetBulb, double pressure) {
    const double tk = wetBulb + 273.16;
    const double exponent = 31.59 - 8.2 * std::log10(tk) + 0.00248 * tk - 3142.0 / tk;
    const double psw = GuardedExp(2.3026 * exponent);
    const double pv = psw - (dryBulb - wetBulb) * pressure * 0.000667;
    MoistAir air;
    air.moisture = 622.0 * pv / (pressure - pv);
    air.density = (pressure - pv) * 100.0 / (288.2 * (dryBulb + 273.16));
    return air;
}

double WetBulbFromDewPoint(double dryBulb, double dewPoint, double pressure) {
    if (!std::isfinite(dryBulb) || !std::isfinite(dewPoint) || !std::isfinite(pressure))
        return dryBulb;
    if (dewPoint >= dryBulb) return dryBulb;
    // Between the dew point and the dry bulb the vapour pressure rises with
    // the wet bulb, so the root is bracketed; regula falsi (Illinois variant)
    // closes on it in a few steps, and the step count is bounded.
    const double target = SaturationVapourPressure(dewPoint);
    double low = dewPoint;
    double high = dryBulb;
    double fLow = VapourPressure(dryBulb, low, pressure) - target;
    double fHigh = VapourPressure(dryBulb, high, pressure) - target;
    int side = 0;
    for (int i = 0; i < 60 && high - low > 1e-6; ++i) {
        const double guess =
            fHigh != fLow ? (low * fHigh - high * fLow) / (fHigh - fLow) : 0.5 * (low + high);
        const double middle = guess > low && guess < high ? guess : 0.5 * (low + high);
        const double fMiddle = VapourPressure(dryBulb, middle, pressure) - target;
        if (fMiddle == 0.0) return middle;
        if (fMiddle < 0.0) {
            low = middle;
            fLow = fMiddle;
            if (side == -1) fHigh /= 2;
            side = -1;
        } else {
            high = middle;
            fHigh = fMiddle;
            if (side == 1) fLow /= 2;
            side = 1;
        }
        if (std::fabs(fMiddle) < 1e-9) return middle;
    }
    return 0.5 * (low + high);
}

}  // namespace kz7
