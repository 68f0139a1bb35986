// Cost of the emitters and the plant within a time step.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/support/ModelText.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7::test {
namespace {

// The zone benchmark's ten-element zone, heated (radiant share 0.3) and cooled.
std::string HeatedZone(const std::string& key) {
    ZoneText text;
    text.key = key;
    text.opaque = BoxElements();
    text.glazed = Window("GLZ", 6, 180) + Window("GLZ", 4, 90);
    text.airflow = Air("I", "100", 0.5) + Air("V", "50", 2.0);
    text.gains = Gain(600, 0.4);
    return ZoneWithEmitters(text, HeaterLines("H", "20") + CoolerLines("C", "24") +
                                      "SecondaryHeater\nH,-5,15,0.5,21,B1\nEnd\n");
}

std::string Plant(int boilers) {
    std::string text = "Profile,PL\n60,0\n100,1\n}\n";
    for (int b = 1; b <= boilers; ++b)
        text += "Boiler,B" + std::to_string(b) + "\n100,1,20,PL,300,PL,5,0,1,10\nEnd\n";
    text +=
        "Chiller,C1\n100,0,20,PL,0.3,PL,5,0,1,0\nEnd\nChiller,C2\n100,0,20,PL,0.3,PL,5,0,1,"
        "0\nEnd\n";
    return text + HeaterDefinitionRecord("H", 5000, 0.3) + CoolerDefinitionRecord("C", 5.0, 0.2) +
           "DHW\n3,40,B1\nEnd\n";
}

// One zone's circuit solution with its emitters acting (heater and
// secondary heater below their set points), against BM_FreeRunningZoneStep.
void BM_HeatedZoneStep(benchmark::State& bench) {
    PlantEngine engine(Plant(1) + HeatedZone("1"));
    // The zone benchmark's sunny morning, but cold enough to heat.
    engine.SetWeather(-5.0f, 0.5f, 2.5f, 600.0f, 120.0f, 3);
    engine.StartRun();
    Zone& zone = engine.zone("1");
    for (auto _ : bench) {
        zone.InitTimeStep();
        zone.SolveGains();
        zone.Acum();
        zone.SolveKZ7();
        zone.EndStep();
        benchmark::DoNotOptimize(zone.step.PLNTHT1);
    }
    if (!(zone.step.PLNTHT1 > 0.0f)) bench.SkipWithError("the emitters did not act");
}
BENCHMARK(BM_HeatedZoneStep);

// The plant's own step: six boilers, two chillers and hot water.
void BM_PlantStep(benchmark::State& bench) {
    PlantEngine engine(Plant(6));
    engine.StartRun();
    kz7::Plant& plant = *engine.state.plant;
    for (auto _ : bench) {
        plant.InitTimeStep();
        for (Boiler& boiler : plant.boilers) boiler.SMPHTACUM = 7.5f;
        plant.chillers.Item("C1")->SMPHTACUM = 4.0f;
        plant.Solve();
        benchmark::DoNotOptimize(engine.state.energy.Get(29));
    }
}
BENCHMARK(BM_PlantStep);

}  // namespace
}  // namespace kz7::test
