// Solar and long-wave gains of the elements: irradiance on outside faces,
// transmitted and absorbed solar of glazing, host shading and louvres.
#include "kz7/weather/ElementSolar.h"

#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Element.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"

namespace kz7 {

namespace {

constexpr float kSolarConstant = 1353.0f;       // W/m²
constexpr float kGrazing = 1e-05f;              // cos θ below this: no beam
constexpr float kDegreesPerRadian = 1.0f / 0.017453292f;
constexpr float kPi = 3.1415927f;
constexpr float kInterZoneFrame = 0.7f;         // frame factor of glazing between zones
constexpr float kRadiativePerEmissivity = 6.156f;  // 1.2 × 0.9 × 5.7 W/m²K

// Azimuth difference brought into -π..π.
float Wrapped(float angle) {
    if (angle > kPi) return angle - 2.0f * kPi;
    if (angle < -kPi) return angle + 2.0f * kPi;
    return angle;
}

float CosIncidence(const SunView& sun, const Surface& plane, float orientation) {
    const float delta = Wrapped(sun.azimuth - orientation);
    return plane.CosSlope * sun.sinAltitude + sun.cosAltitude * std::cos(delta) * plane.SinSlope;
}

// Beam on a plane at cos θ; the circumsolar part of the diffuse is taken
// with the beam. Grazing sun gives none.
float Beam(const SunView& sun, float cosTheta) {
    if (cosTheta < kGrazing) cosTheta = 0.0f;
    return sun.Idn * cosTheta + sun.Ifh * sun.kt * cosTheta;
}

// A host factor outside 0..1 (or not a number) is brought back into range;
// a missing answer leaves the element unshaded.
float ShadingFactor(float factor) { return std::isnan(factor) ? 1.0f : std::clamp(factor, 0.0f, 1.0f); }

}  // namespace

SunView SunView::FromWeather(const Weather& weather, float groundReflectance, bool shaded) {
    SunView sun;
    sun.altitude = weather.SunAltitude;
    sun.azimuth = weather.SunAzimuth;
    sun.sinAltitude = std::sin(weather.SunAltitude);
    sun.cosAltitude = std::cos(weather.SunAltitude);
    sun.altitudeDegrees = weather.SunAltitude * kDegreesPerRadian;
    sun.Idn = weather.Idn;
    sun.Ifh = weather.Ifh;
    sun.Igh = weather.Igh;
    sun.kt = weather.Idn / kSolarConstant;
    sun.groundReflectance = groundReflectance;
    sun.cloudOktas = static_cast<float>(weather.iCloud);
    sun.shaded = shaded;
    return sun;
}

void Surface::SetSun(const SunView& sun) {
    insolation_.longWave = RadLW(sun.cloudOktas);
    if (!sun.IsUp()) return;
    const float ground = (1.0f - CosSlope) * sun.Igh * sun.groundReflectance / 2.0f;
    const float sky = (1.0f + CosSlope) * (1.0f - sun.sinAltitude * sun.kt) * sun.Ifh / 2.0f;
    insolation_.cosTheta = CosIncidence(sun, *this, Orientation);
    insolation_.beam = Beam(sun, insolation_.cosTheta);
    insolation_.diffuse = ground + sky;
}

float OutsideFaceIrradiance(const SunView& sun, const Surface* plane) {
    if (!sun.IsUp() || plane == nullptr) return 0.0f;
    const Surface::Insolation& insolation = plane->Sun();
    return insolation.cosTheta < 0.0f ? 0.0f : insolation.beam + insolation.diffuse;
}

Element::Sun WindowSun(const SunView& sun, const Elements::WindowPath& window, EngineState& state) {
    Element::Sun taken;
    if (!sun.IsUp() || window.plane == nullptr) return taken;
    const Surface::Insolation& plane = window.plane->Sun();
    const bool back = plane.cosTheta < 0.0f;
    float beam = plane.beam;
    // Glazing between zones takes the sun from whichever side it comes.
    if (back && window.IOS == 6) {
        const float reversed = CosIncidence(sun, *window.plane, window.plane->Orientation + kPi);
        if (reversed < kGrazing) state.ShowError("Invalid solar angle");
        beam = Beam(sun, reversed);
    }
    const GlazedConstruction* glazing = window.glazing;
    if (glazing == nullptr) return taken;
    float direct = 1.0f, diffuseFactor = 1.0f;
    if (sun.shaded) {
        state.shadingData.GetShadingFactors(window.planeIndex, direct, diffuseFactor);
        direct = ShadingFactor(direct);
        diffuseFactor = ShadingFactor(diffuseFactor);
    }
    const float frame = window.IOS == 6 ? kInterZoneFrame : 1.0f;
    const float louvre = glazing->ShadingCoefficient(sun.altitudeDegrees);
    const float shadedBeam = louvre * beam * direct * frame;
    // Sun entering through the far side of glazing between zones leaves
    // this zone: a negative irradiance, without diffuse.
    taken.IRRAD =
        (!back || window.IOS != 6) ? shadedBeam + plane.diffuse * diffuseFactor : -shadedBeam;
    taken.IWDDIR = taken.IRRAD * glazing->TransDirectSolar * glazing->FrameMult;
    taken.IWDRTD =
        (glazing->TransTotal - glazing->TransDirectSolar) * taken.IRRAD * glazing->FrameMult;
    return taken;
}

void Element::RadLW(float& value) const { value = Plane != nullptr ? Plane->RadLW() : 0.0f; }

float Element::RadLW(const SunView& sky) const { return Plane != nullptr ? Plane->RadLW(sky.cloudOktas) : 0.0f; }

void Zone::SOLDST(const Elements::WindowPath& window) {
    const GlazedConstruction* glazing = window.glazing;
    if (glazing == nullptr) return;
    const float kept = (1.0f - SolarLost) * window.sun.IWDDIR * window.area;
    const float absorbed = window.sun.IWDRTD * window.area;
    step.SolarGainKW += (kept + absorbed) * 0.001f;
    step.DSolar += kept;
    // The absorbed part leaves the inner pane by convection and radiation
    // in the shares of its inside surface coefficients.
    const float convective = absorbed * window.SRIn * glazing->HCI;
    const float radiant = kept + absorbed * window.SRIn * glazing->EmissI * kRadiativePerEmissivity;
    step.CNGN += convective;
    step.RDGN += radiant;
    step.SIGKTA += convective;
    step.SIGKTE += radiant;
}

void Element::ComesAfter(const Element& other, bool& result) const {
    result = false;
    if (other.MyZone == MyZone) return;
    bool seenOwn = false;
    for (const Zone& zone : *state_.zones) {
        if (&zone == MyZone) seenOwn = true;
        if (&zone == other.MyZone) {
            result = seenOwn;
            return;
        }
    }
}

}  // namespace kz7
