// The annual hourly run of the example office as `kz7 simulate` does it: the
// model read, a year simulated on its EPW file and every record stored into
// the result database. Beside it, the same run with nothing stored and the
// storing of that run's own records alone, so that the share of storing and
// its speed in values per second can be read off.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "../tests/support/ModelText.h"
#include "ModelFile.h"
#include "ResultDatabase.h"
#include "SimulateCommand.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

const std::string kOffice = KZ7_SOURCE_DIR "/examples/small-office.kz7";
const std::string kSupport = KZ7_SOURCE_DIR "/support";

using bench::ScratchFolder;

struct Record {
    int16_t interval;
    int32_t zone;
    std::vector<float> values;
    double date;
    double time;
};

// The office's annual hourly run through the control, its records kept in
// memory or dropped.
bool RunOffice(std::vector<Record>* records) {
    EngineState state;
    state.errorHandler = [](const std::string&) {};
    SimulateX control(state);
    control.SetHourlyResults(true);
    if (!LoadModel(control, kOffice, kSupport).empty()) return false;
    control.SaveResultRecord = [records](const ResultRecord& record) {
        if (records != nullptr)
            records->push_back({record.interval, record.zone,
                                {record.values.begin(), record.values.end()}, record.date,
                                record.time});
    };
    control.Simulate();
    return !state.engine->Cancelled;
}

// What `kz7 simulate examples/small-office.kz7 --quiet` does, into a new database each time.
void BM_SimulateOfficeHourlyStored(benchmark::State& bench) {
    ScratchFolder folder;
    if (!folder.Made()) return bench.SkipWithError("cannot make a temporary folder");
    int iteration = 0;
    StoredRun stored;
    for (auto _ : bench) {
        ModelRunOptions options;
        options.model = kOffice;
        options.support = kSupport;
        options.db = folder.File("run" + std::to_string(++iteration) + ".db").string();
        options.quiet = true;
        const SimulateResult result = SimulateAndStore(options, Resolution::Hourly);
        if (result.exitCode != 0) return bench.SkipWithError("the office run failed");
        stored = result.stored;
    }
    bench.counters["records"] = static_cast<double>(stored.records);
    bench.counters["values"] = static_cast<double>(stored.values);
    bench.counters["run_values_per_s"] = benchmark::Counter(
        static_cast<double>(stored.values) * static_cast<double>(bench.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimulateOfficeHourlyStored)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same run with its records dropped: the engine's own share.
void BM_SimulateOfficeHourlyUnstored(benchmark::State& bench) {
    for (auto _ : bench) {
        if (!RunOffice(nullptr)) return bench.SkipWithError("the office run failed");
    }
}
BENCHMARK(BM_SimulateOfficeHourlyUnstored)->Unit(benchmark::kMillisecond)->Iterations(3);

// Storing alone: the office run's own records, as its events carried them,
// written into a new database as one run.
void BM_StoreOfficeRecords(benchmark::State& bench) {
    ScratchFolder folder;
    std::vector<Record> records;
    if (!folder.Made() || !RunOffice(&records)) return bench.SkipWithError("the office run failed");
    int iteration = 0;
    int64_t values = 0;
    for (auto _ : bench) {
        ResultDatabase database(folder.File("store" + std::to_string(++iteration) + ".db"));
        RunWriter run(database, {"simulate", kOffice, ""});
        for (const Record& record : records)
            run.Store({record.interval, record.zone, record.values, record.date, record.time});
        run.Finish(RunStatus::Finished);
        values += run.ValueCount();
    }
    bench.counters["records"] = static_cast<double>(records.size());
    bench.SetItemsProcessed(values);
}
BENCHMARK(BM_StoreOfficeRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- Storing cost against the zone count ----

// `zones` ten-element zones on the Denver file at 10-minute steps, written
// as a model file.
std::string ZonesModel(const ScratchFolder& folder, int zones) {
    std::string text = test::Library() + "SimulationOptions\n10,1,1,31,12,18,0.5,0\n-\n";
    text += "SimulationWeather\n" KZ7_SOURCE_DIR "/tests/data/USA_CO_Denver.Intl.AP.725650_TMY3,4\n-\n";
    for (int i = 1; i <= zones; ++i) {
        test::ZoneText zone;
        zone.key = std::to_string(i);
        zone.opaque = test::BoxElements();
        zone.glazed = test::Window("GLZ", 6, 180) + test::Window("GLZ", 4, 90);
        zone.airflow = test::Air("I", "100", 0.5) + test::Air("V", "50", 2.0);
        zone.gains = test::Gain(600, 0.4);
        text += zone.Text();
    }
    const fs::path file = folder.File("zones" + std::to_string(zones) + ".kz7");
    std::ofstream(file) << text;
    return file.string();
}

// The annual run with hourly records stored, as `kz7 simulate --quiet` does.
void BM_AnnualZonesStoredHourly(benchmark::State& bench) {
    ScratchFolder folder;
    if (!folder.Made()) return bench.SkipWithError("cannot make a temporary folder");
    const int zones = static_cast<int>(bench.range(0));
    ModelRunOptions options;
    options.model = ZonesModel(folder, zones);
    options.support = kSupport;
    options.quiet = true;
    int iteration = 0;
    for (auto _ : bench) {
        options.db = folder.File("run" + std::to_string(++iteration) + ".db").string();
        const SimulateResult result = SimulateAndStore(options, Resolution::Hourly);
        if (result.exitCode != 0) return bench.SkipWithError("the run failed");
    }
    bench.counters["MB_per_zone_year"] =
        static_cast<double>(fs::file_size(options.db)) / 1e6 / zones;
}
BENCHMARK(BM_AnnualZonesStoredHourly)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime();

// The same run with no output selected: the calculation alone.
void BM_AnnualZonesNoOutput(benchmark::State& bench) {
    ScratchFolder folder;
    if (!folder.Made()) return bench.SkipWithError("cannot make a temporary folder");
    const int zones = static_cast<int>(bench.range(0));
    const std::string model = ZonesModel(folder, zones);
    for (auto _ : bench) {
        EngineState state;
        state.errorHandler = [](const std::string&) {};
        SimulateX control(state);
        if (!LoadModel(control, model, kSupport).empty()) return bench.SkipWithError("no model");
        control.Simulate();
        if (state.engine->Cancelled) return bench.SkipWithError("the run failed");
    }
}
BENCHMARK(BM_AnnualZonesNoOutput)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace kz7::app
