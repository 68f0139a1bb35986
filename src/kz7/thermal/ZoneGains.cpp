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

namespace {

// Most steps fall at night, when an element's sun is only cleared.
void TakeSun(Element& element, const SunView& sun) {
    if (sun.IsUp())
        element.CalculateSolar(sun);
    else
        element.ClearSolar();
}

}  // namespace

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

    for (Element* element : elements.SunlitOpaque()) {
        TakeSun(*element, sun);
        if (element->Opaque == nullptr) continue;
        const float longWave = element->StepLongWave();
        const float area = element->ElementArea;
        float term = area * (element->Opaque->ABSRP * element->IRRAD -
                             static_cast<float>(element->Opaque->EmissO) * longWave);
        // A light outside element's sun reaches the circuit's outside
        // surface node scaled by its own factor. The factor applies to
        // this element's term alone: applied to the running sum it would
        // scale the sun of every element before it again.
        if (!element->HVWT && element->IOS == 1 && area > 0.0f) {
            const float outside = element->SROut / area;
            const float total = outside + (element->RESEL + element->SRIn) / area;
            term *= (1.0f / K1 + 1.0f / K2) / total * outside * K0;
        }
        step.QSOLO += term;
    }
    // A blocked half of a glazed pair leaves the coupling to its partner
    // but still takes the sun that reaches its own side.
    const bool heatLoss = state_.clock.heatLossRun;
    for (Element* element : elements.Glazed()) {
        if (element->SeesTheSky()) TakeSun(*element, sun);
        if (!element->HVWT && !heatLoss) element->SOLDST();
    }
}

// Each element is an object of its own, so its lines are not where a
// hardware prefetcher looks next. An opaque outside face's step takes the
// element's first line, a window's its first two; the accumulation step
// reads the air flows' and partitions' paths, a few lines of the zone's
// own. Each gain is an object of its own too.
void Zone::PrefetchElements() const {
    for (const Element* element : elements.SunlitOpaque()) __builtin_prefetch(element);
    for (const Element* element : elements.Glazed()) {
        __builtin_prefetch(element);
        __builtin_prefetch(reinterpret_cast<const char*>(element) + kCacheLine);
    }
    const auto airflows = elements.Airflows();
    PrefetchRange(airflows.data(), airflows.data() + airflows.size());
    const auto partitions = elements.Partitions();
    PrefetchRange(partitions.data(), partitions.data() + partitions.size());
    for (const auto& gain : gains) __builtin_prefetch(gain.get());
}

// The lists PrefetchElements walks are arrays of their own: asked for a zone
// earlier, they are at hand when that zone's elements are asked for.
void Zone::PrefetchElementLists() const {
    __builtin_prefetch(elements.SunlitOpaque().data());
    __builtin_prefetch(elements.LightFabric().data());
    __builtin_prefetch(elements.StepFlows().data());
    if (gains.begin() != gains.end()) __builtin_prefetch(&*gains.begin());
}

}  // namespace kz7
