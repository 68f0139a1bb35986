#pragma once
// The sun as the elements of every zone see it in one time step.
#include "kz7/weather/Weather.h"

namespace kz7 {

struct SunView {
    float altitude = 0.0f;         // radians
    float azimuth = 0.0f;          // radians, clockwise from north
    float sinAltitude = 0.0f;
    float cosAltitude = 1.0f;
    float altitudeDegrees = 0.0f;
    float kt = 0.0f;               // direct normal over the solar constant
    float Idn = 0.0f, Ifh = 0.0f, Igh = 0.0f;  // W/m²
    float groundReflectance = 0.2f;
    float cloudOktas = 0.0f;       // cloud cover, for the long-wave loss to the sky
    // Windows take the host's shading factors (the run's shading setting),
    // carried here so that a window's sun reads no more of the window than
    // its first cache line.
    bool shaded = false;

    // The step's sun from the weather source's current values.
    static SunView FromWeather(const Weather& weather, float groundReflectance, bool shaded);
    bool IsUp() const { return altitude > 0.0f; }
};

}  // namespace kz7
