// Speed of the hourly weather source: loading a year of EPW records and the
// per-step update of the run loop.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/Weather.h"

namespace {

const std::string kDenver =
    std::string(KZ7_SOURCE_DIR) + "/tests/data/USA_CO_Denver.Intl.AP.725650_TMY3.epw";

void ReadDenverEpw(benchmark::State& run) {
    kz7::EngineState state;
    for (auto _ : run) {
        kz7::EnergyPlusWeather epw(state);
        benchmark::DoNotOptimize(epw.OpenFile(kDenver));
    }
}
BENCHMARK(ReadDenverEpw)->Unit(benchmark::kMillisecond);

// One step of the run loop on hourly weather: a keyed lookup and copies of
// two plain records, no allocation.
void HourlyStep(benchmark::State& run) {
    kz7::EngineState state;
    state.weather->WeatherDbName = kDenver;
    state.weather->OpenWeatherDatabase();
    int32_t hour = 1;
    for (auto _ : run) {
        state.clock.month = 6;
        state.clock.day = 15;
        state.clock.hour = hour;
        state.clock.decimalHour = static_cast<float>(hour) - 0.5f;
        state.weather->ReadHourlyData();
        benchmark::DoNotOptimize(state.weather->Goa);
        hour = hour % 24 + 1;
    }
}
BENCHMARK(HourlyStep);

}  // namespace
