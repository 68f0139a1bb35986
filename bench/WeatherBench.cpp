// Speed of the hourly weather source: loading a year of EPW records and the
// per-step update of the run loop.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/Weather.h"

// Every allocation of the program is counted, so that a benchmark can show
// how many its loop makes.
namespace {
std::atomic<int64_t> allocations{0};
}
void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

const std::string kDenver = std::string(KZ7_SOURCE_DIR) + "/tests/data/USA_CO_Denver.Intl.AP.725650_TMY3.epw";

void ReadDenverEpw(benchmark::State& run) {
    kz7::EngineState state;
    for (auto _ : run) {
        kz7::EnergyPlusWeather epw(state);
        benchmark::DoNotOptimize(epw.OpenFile(kDenver));
    }
}
BENCHMARK(ReadDenverEpw)->Unit(benchmark::kMillisecond);

void HourlyStep(benchmark::State& run) {
    kz7::EngineState state;
    state.weather->WeatherDbName = kDenver;
    state.weather->OpenWeatherDatabase();
    int32_t hour = 1;
    const int64_t before = allocations.load();
    for (auto _ : run) {
        state.clock.month = 6;
        state.clock.day = 15;
        state.clock.hour = hour;
        state.clock.decimalHour = static_cast<float>(hour) - 0.5f;
        state.weather->ReadHourlyData();
        benchmark::DoNotOptimize(state.weather->Goa);
        hour = hour % 24 + 1;
    }
    run.counters["allocations"] = static_cast<double>(allocations.load() - before);
}
BENCHMARK(HourlyStep);

}  // namespace
