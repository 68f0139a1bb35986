#pragma once
// Psychrometric functions of moist air. Temperatures in °C, pressures in hPa.

namespace kz7 {

// Saturation vapour pressure over water (T > 0) or ice (T <= 0); 0 below
// absolute zero.
double SaturationVapourPressure(double temperature);
// Its decimal logarithm: SaturationVapourPressure(t) is 10 to this power
// (−∞ below absolute zero).
double SaturationPressureExponent(double temperature);

// Vapour pressure from dry bulb, wet bulb and total pressure (psychrometer
// equation, with the ice constant below a wet bulb of 0 °C).
double VapourPressure(double dryBulb, double wetBulb, double pressure);

// Moisture content in kg of water per kg of dry air; never negative.
double MoistureContent(double dryBulb, double wetBulb, double pressure);

// Moisture content (g/kg) and dry-air density (kg/m³) from dry bulb, wet bulb
// and pressure, by the engine's older vapour-pressure fit.
struct MoistAir {
    double moisture = 0.0;  // g/kg
    double density = 0.0;   // kg/m³ of dry air
};
MoistAir MOIST(double dryBulb, double wetBulb, double pressure);

// The wet bulb whose vapour pressure (by VapourPressure) equals the
// saturation pressure at the dew point: what a weather file that gives the
// dew point means for the engine's wet-bulb based moisture. A dew point at or
// above the dry bulb gives the dry bulb; non-finite input gives the dry bulb.
double WetBulbFromDewPoint(double dryBulb, double dewPoint, double pressure);

}  // namespace kz7
