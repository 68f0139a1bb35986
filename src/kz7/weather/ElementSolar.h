#pragma once
// The sun as the elements of every zone see it in one time step.
#include "kz7/model/Element.h"
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
    // carried here so that a window's sun reads nothing of the window but
    // its path.
    bool shaded = false;

    // The step's sun from the weather source's current values.
    static SunView FromWeather(const Weather& weather, float groundReflectance, bool shaded);
    bool IsUp() const { return altitude > 0.0f; }
};

class EngineState;
class Surface;

// The step's sun on an opaque outside face on `plane`, W/m² (IRRAD): none
// at night, without a plane, or on a face the sun is behind. Once
// Surfaces::SetSun has put `sun` on the planes.
float OutsideFaceIrradiance(const SunView& sun, const Surface* plane);
// The step's sun on a window and what it passes on: direct and diffuse
// sun, the host's shading factors and the louvres; glazing between zones
// takes the sun from either side.
Element::Sun WindowSun(const SunView& sun, const Elements::WindowPath& window, EngineState& state);

}  // namespace kz7
