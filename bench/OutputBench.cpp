// The result stores of a 100-zone model with every zone variable and plant
// value selected: the end-of-hour path (building values, text conversion and
// 101 records sent) and the per-step recording that feeds it.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/ResultStores.h"

namespace kz7 {
namespace {

constexpr int32_t kZones = 100;
constexpr int32_t kStepsPerHour = 6;
constexpr double kHoursPerYear = 8760.0;

// A model whose result stores collect every variable hourly.
std::unique_ptr<EngineState> HourlyModel(int64_t& textsSent) {
    auto state = std::make_unique<EngineState>();
    state->clock.SetTimeStep(60 / kStepsPerHour);
    state->settings.hourlyResults = true;
    for (int32_t n = 1; n <= kZones; ++n) {
        Zone* zone = state->zones->Add(std::to_string(n));
        zone->Key = std::to_string(n);
        zone->FloorArea = 20.0f + static_cast<float>(n);
    }
    state->results->SetPlantItemCounts(20, 20);
    state->outputData.onSave = [&textsSent](int16_t&, int32_t&, ValueArray& values, double&) {
        for (const std::string& text : values) textsSent += static_cast<int64_t>(text.size());
    };
    state->results->ZoneControl(0);
    state->results->ZoneControl(2);
    state->results->PlantControl(2);
    return state;
}

// Step values that vary, so text conversion sees ordinary numbers.
void FillStep(EngineState& state, int32_t step) {
    int32_t n = 0;
    for (Zone& zone : *state.zones) {
        ++n;
        zone.stepValues.Clear();
        for (const ZoneVariableInfo& variable : ZoneVariables())
            zone.stepValues.Set(static_cast<ZoneVariable>(variable.position),
                                0.37f * static_cast<float>(variable.position) +
                                    0.013f * static_cast<float>(n + step));
    }
    state.energy.Clear();
    for (int32_t slot = 1; slot <= 80; ++slot)
        state.energy.Set(slot, 0.11f * static_cast<float>(slot + step));
}

void RecordStep(EngineState& state) {
    state.results->RecordZoneStep();
    state.results->RecordPlantStep();
    state.results->ZoneInterval(false, 1);
    state.results->PlantInterval(false, 1);
}

// One iteration: the end of one hour whose six steps were recorded untimed.
void BM_EndOfHour(benchmark::State& bench) {
    int64_t textsSent = 0;
    std::unique_ptr<EngineState> state = HourlyModel(textsSent);
    for (auto _ : bench) {
        bench.PauseTiming();
        for (int32_t step = 0; step < kStepsPerHour; ++step) {
            FillStep(*state, step);
            RecordStep(*state);
        }
        bench.ResumeTiming();
        state->results->ZoneInterval(false, 2);
        state->results->PlantInterval(false, 2);
    }
    // Seconds for a year of hours: time per iteration × 8760.
    bench.counters["year_s"] =
        benchmark::Counter(1.0 / kHoursPerYear, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
    bench.counters["chars_per_hour"] =
        benchmark::Counter(static_cast<double>(textsSent), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EndOfHour)->Unit(benchmark::kMicrosecond);

// One iteration: recording one step of the 100 zones and the plant.
void BM_RecordStep(benchmark::State& bench) {
    int64_t textsSent = 0;
    std::unique_ptr<EngineState> state = HourlyModel(textsSent);
    FillStep(*state, 1);
    int32_t step = 0;
    for (auto _ : bench) {
        RecordStep(*state);
        if (++step == kStepsPerHour) {  // keep the sums those of one hour
            bench.PauseTiming();
            step = 0;
            state->results->ZoneInterval(true, 2);
            state->results->PlantInterval(true, 2);
            bench.ResumeTiming();
        }
    }
    // Seconds for a year of 10-minute steps.
    bench.counters["year_s"] = benchmark::Counter(
        1.0 / (kHoursPerYear * kStepsPerHour),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kz7
