// The annual hourly run of the example office as `kz7 simulate` does it: the
// model read, a year simulated on its EPW file and every record stored into
// the result database. Beside it, the same run with nothing stored and the
// storing of that run's own records alone, so that the share of storing and
// its speed in values per second can be read off.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

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

// A fresh temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kz7-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    bool Made() const { return !path_.empty(); }
    fs::path File(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

struct Record {
    int16_t interval;
    int32_t zone;
    ValueArray values;
    double date;
};

// The office's annual hourly run through the control, its records kept in
// memory or dropped.
bool RunOffice(std::vector<Record>* records) {
    EngineState state;
    state.errorHandler = [](const std::string&) {};
    SimulateX control(state);
    control.SetHourlyResults(true);
    if (!LoadModel(control, kOffice, kSupport).empty()) return false;
    control.SaveSSData = [records](int16_t& interval, int32_t& zone, ValueArray& values,
                                   double& date) {
        if (records != nullptr) records->push_back({interval, zone, values, date});
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
            run.Store(record.interval, record.zone, record.values, record.date);
        run.Finish(RunStatus::Finished);
        values += run.ValueCount();
    }
    bench.counters["records"] = static_cast<double>(records.size());
    bench.SetItemsProcessed(values);
}
BENCHMARK(BM_StoreOfficeRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kz7::app
