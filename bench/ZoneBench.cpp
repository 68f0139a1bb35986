// Zone step and annual-run speed.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/thermal/ZoneTestModel.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Zone.h"

namespace kz7::test {
namespace {

// Ten elements: four walls, a roof, a ground floor, two windows,
// infiltration and a ventilation path, with a gain.
ZoneText TenElementZone(const std::string& key) {
    ZoneText text;
    text.key = key;
    text.opaque = BoxElements();
    text.glazed = Window("GLZ", 6, 180) + Window("GLZ", 4, 90);
    text.airflow = Air("I", "100", 0.5) + Air("V", "50", 2.0);
    text.gains = Gain(600, 0.4);
    return text;
}

// A sunny morning: every element's sun is worked out at every step.
void SunnyWeather(Engine& engine) { engine.SetWeather(12.0f, 0.5f, 2.5f, 600.0f, 120.0f, 3); }

void BM_FreeRunningZoneStep(benchmark::State& bench) {
    Engine engine(ZoneRecord(TenElementZone("1")));
    SunnyWeather(engine);
    engine.Start();
    Zone& zone = engine.zone("1");
    for (auto _ : bench) {
        zone.InitTimeStep();
        zone.SolveGains();
        zone.Acum();
        zone.SolveKZ7();
        zone.EndStep();
        benchmark::DoNotOptimize(zone.Ta2);
    }
}
BENCHMARK(BM_FreeRunningZoneStep);

// An annual run at 10-minute steps on full-year hourly weather, no output
// selected. The weather reader hands back the values set here for every
// hour until the hourly file is read for real: the sunny run works out the
// sun on every element at every step (the worst case), the night run none
// (a real year lies between, with the sun up about half the steps).
void AnnualRun100Zones(benchmark::State& bench, bool sunny) {
    std::string model;
    for (int i = 1; i <= 100; ++i) model += ZoneRecord(TenElementZone(std::to_string(i)));
    Engine engine(model, 10);
    if (sunny)
        SunnyWeather(engine);
    else
        engine.SetWeather(4.0f, -0.3f, 0.5f, 0.0f, 0.0f, 5);
    engine.state.clock.weatherType = 4;
    for (auto _ : bench) {
        engine.state.engine->Simulate();
        benchmark::DoNotOptimize(engine.zone("100").Ta2);
    }
    bench.counters["zone_steps"] = 100.0 * 365 * 144;
}
void BM_AnnualRun100ZonesSunny(benchmark::State& bench) { AnnualRun100Zones(bench, true); }
void BM_AnnualRun100ZonesNight(benchmark::State& bench) { AnnualRun100Zones(bench, false); }
BENCHMARK(BM_AnnualRun100ZonesSunny)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AnnualRun100ZonesNight)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kz7::test
