// The sun and sky worked out once per step and per plane, shared by every
// zone and element, give exactly what each would work out alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kz7/model/Element.h"
#include "kz7/weather/ElementSolar.h"
#include "thermal/ZoneTestModel.h"

namespace kz7::test {
namespace {

// Two zones whose walls, windows and roofs lie in the same planes.
std::string TwoZonesSharingPlanes() {
    std::string model;
    for (const std::string key : {"1", "2"}) {
        ZoneText text;
        text.key = key;
        text.opaque = Outside("W", "WALL", 10, 180, 90) + Outside("W", "WALL", 12, 90, 90) +
                      Outside("R", "ROOF", 50, 0, 0);
        text.glazed = Window("GLZ", 4, 180) + Window("GLZ", 3, 90);
        model += ZoneRecord(text);
    }
    return model;
}

struct SkyCase {
    float altitude, azimuth, idn, ifh;
    int16_t cloud;
};

// Low morning sun, the same sun under more diffuse sky, higher sun, the
// same sun under cloud, and night.
const std::vector<SkyCase> kSkies = {{0.3f, 1.9f, 500.0f, 80.0f, 2},
                                     {0.3f, 1.9f, 500.0f, 140.0f, 2},
                                     {0.9f, 2.6f, 700.0f, 140.0f, 2},
                                     {0.9f, 2.6f, 700.0f, 140.0f, 7},
                                     {-0.2f, 5.0f, 0.0f, 0.0f, 7}};

// Every element's solar state and each zone's sun and sky sums, bit for bit.
std::vector<float> SolarState(Engine& engine) {
    std::vector<float> values;
    for (const std::string key : {"1", "2"}) {
        Zone& zone = engine.zone(key);
        values.insert(values.end(),
                      {zone.step.QSOLO, zone.step.DSolar, zone.step.SIGKTE, zone.step.SolarGainKW});
        for (const auto& element : zone.elements) {
            const Element::Sun sun = element->StepSun();
            values.insert(values.end(), {sun.IRRAD, sun.IWDDIR, sun.IWDRTD});
        }
    }
    return values;
}

void Apply(Engine& engine, const SkyCase& sky) {
    engine.SetWeather(12.0f, sky.altitude, sky.azimuth, sky.idn, sky.ifh, sky.cloud);
}

TEST(SharedSun, ZonesSharingPlanesSeeWhatEachWorksOutAlone) {
    Engine shared(TwoZonesSharingPlanes());
    shared.Start();
    std::vector<float> previous;
    for (const SkyCase& sky : kSkies) {
        // The zone set works out one sun for the step, and the planes reuse
        // what earlier steps left behind.
        Apply(shared, sky);
        shared.state.zones->InitTimeStep();
        shared.state.zones->SimulateStep();
        const std::vector<float> sharedState = SolarState(shared);

        // A model that never saw another sky, each zone working out its own.
        Engine alone(TwoZonesSharingPlanes());
        alone.Start();
        Apply(alone, sky);
        for (Zone& zone : *alone.state.zones) zone.InitTimeStep();
        alone.zone("1").SolveGains();
        alone.zone("2").SolveGains();

        EXPECT_EQ(sharedState, SolarState(alone)) << "sun altitude " << sky.altitude << ", cloud " << sky.cloud;
        // Each sky changes something, so a stale plane would show.
        EXPECT_NE(sharedState, previous);
        previous = sharedState;
    }
}

TEST(SharedSun, LongWaveUnderTheStepSkyIsThePlaneLoss) {
    Engine engine(TwoZonesSharingPlanes());
    engine.Start();
    for (const int16_t cloud : {0, 4, 8}) {
        engine.SetWeather(5.0f, 0.5f, 3.0f, 300.0f, 60.0f, cloud);
        const SunView sky = SunView::FromWeather(*engine.state.weather, 0.2f, false);
        for (const auto& element : engine.zone("1").elements) {
            float fromWeather = 0.0f;
            element->RadLW(fromWeather);
            EXPECT_EQ(element->RadLW(sky), fromWeather) << element->ElCode << " cloud " << cloud;
        }
    }
}

}  // namespace
}  // namespace kz7::test
