// The zone's sources of the step: internal gains, then the sun and the sky
// on its elements.
#include "kz7/engine/EngineState.h"
#include "kz7/model/Element.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/CacheLines.h"
#include "kz7/weather/ElementSolar.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

SunView Zone::StepSun(EngineState& state) {
    const SunView sun =
        SunView::FromWeather(*state.weather, state.location->GroundReflectance, state.settings.doShading);
    state.surfaces->SetSun(sun);
    return sun;
}

void Zone::SolveGains() {
    SolveGains(StepSun(state_));
}

void Zone::SolveGains(const SunView& sun) {
    step.CONC1 = step.GISP2;
    step.FLO = 0.0f;
    step.DSolar = 0.0f;
    float specificHeat = 0.0f;
    AIRPRP(step.Ta1, step.CONC1, step.Densia, specificHeat);
    gains.Sim();
    step.SIGKTA += step.CNGN;
    step.SIGKTE += step.RDGN;

    for (Elements::SunlitPath& face : elements.SunlitOpaque()) {
        face.IRRAD = OutsideFaceIrradiance(sun, face.plane);
        if (face.opaque == nullptr) continue;
        const float longWave = face.plane != nullptr ? face.plane->Sun().longWave : 0.0f;
        float term = face.area * (face.opaque->ABSRP * face.IRRAD -
                                  static_cast<float>(face.opaque->EmissO) * longWave);
        // A light outside element's sun reaches the circuit's outside
        // surface node scaled by its own factor. The factor applies to
        // this element's term alone: applied to the running sum it would
        // scale the sun of every element before it again.
        if (face.scaled) term *= (1.0f / K1 + 1.0f / K2) / face.total * face.outside * K0;
        step.QSOLO += term;
    }
    // A blocked half of a glazed pair leaves the coupling to its partner
    // but still takes the sun that reaches its own side.
    const bool heatLoss = state_.clock.heatLossRun;
    for (Elements::WindowPath& window : elements.Glazed()) {
        if (window.seesSky) window.sun = WindowSun(sun, window, state_);
        if (window.passesOn && !heatLoss) SOLDST(window);
    }
}

// The step flows and paths are one block of the zone's own; each gain is
// an object of its own.
void Zone::PrefetchElements() const {
    elements.PrefetchStepArrays();
    for (const auto& gain : gains) __builtin_prefetch(gain.get());
}

// The gains are objects of their own: their list, asked for a zone
// earlier, is at hand when that zone's gains are asked for.
void Zone::PrefetchGainList() const {
    if (gains.begin() != gains.end()) __builtin_prefetch(&*gains.begin());
}

void Zone::PrefetchListPlaces() const {
    __builtin_prefetch(&gains);
    elements.PrefetchStepLists();
}

}  // namespace kz7
