// Zone step and annual-run speed.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/support/ModelText.h"
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
        benchmark::DoNotOptimize(zone.step.Ta2);
    }
}
BENCHMARK(BM_FreeRunningZoneStep);

// An annual run at 10-minute steps of `zones` zones on the Denver weather
// file, no output selected: weather, sun, gains and the zone solution of a
// year. "zone_step" is the CPU time per zone and step; it should hardly grow
// with the zone count (the zones' step state must stream through the caches).
void AnnualRunDenver(benchmark::State& bench, int zones) {
    std::string model;
    for (int i = 1; i <= zones; ++i) model += ZoneRecord(TenElementZone(std::to_string(i)));
    model += "SimulationWeather\nUSA_CO_Denver.Intl.AP.725650_TMY3,4\nEnd\n";
    Engine engine(model, 10);
    engine.state.settings.supportFilePath = std::string(KZ7_SOURCE_DIR) + "/tests/data";
    const std::string last = std::to_string(zones);
    for (auto _ : bench) {
        engine.state.engine->Simulate();
        if (engine.state.engine->Cancelled || engine.state.clock.numberOfDays != 365) {
            bench.SkipWithError("the annual run did not complete");
            break;
        }
        benchmark::DoNotOptimize(engine.zone(last).step.Ta2);
    }
    const double zoneSteps = zones * 365.0 * 144;
    bench.counters["zone_steps"] = zoneSteps;
    bench.counters["zone_step"] = benchmark::Counter(
        zoneSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AnnualRun100ZonesDenver(benchmark::State& bench) {
    AnnualRunDenver(bench, 100);
}
BENCHMARK(BM_AnnualRun100ZonesDenver)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same at 10 and 1000 zones, for the cost per added zone.
void BM_AnnualRunZonesDenver(benchmark::State& bench) {
    AnnualRunDenver(bench, static_cast<int>(bench.range(0)));
}
BENCHMARK(BM_AnnualRunZonesDenver)
    ->Unit(benchmark::kMillisecond)
    ->Arg(10)
    ->Arg(1000)
    ->Iterations(1);

}  // namespace
}  // namespace kz7::test
