// Values stored per second into the result database: a year of hourly
// records of a five-zone office (five zone records of 54 values and one
// building-and-plant record of 110 values an hour), as the engine sends them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ResultDatabase.h"
#include "kz7/platform/NumberText.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

constexpr int kZones = 5;

// Texts like the engine's: up to 15 significant digits, a few missing values.
ValueArray MakeRecord(int zone, int hour) {
    const bool building = zone == 0;
    ValueArray values(building ? 126 : 55);
    for (int position = 1; position < static_cast<int>(values.size()); ++position) {
        if (building && position > 54 && position < 66) continue;
        const double value = 20.0 + position * 0.137 + zone * 0.011 + (hour % 24) / 7.0;
        values[static_cast<size_t>(position)] =
            position % 50 == 0 ? "-32768" : NumberToText(static_cast<float>(value));
    }
    return values;
}

void BM_StoreHourlyOfficeYear(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "kz7-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const fs::path folder = pattern;
    // Prepared texts: the benchmark measures storing, not the engine's formatting.
    std::vector<std::vector<ValueArray>> day(24);
    for (int hour = 0; hour < 24; ++hour) {
        for (int zone = 0; zone <= kZones; ++zone) day[hour].push_back(MakeRecord(zone, hour));
    }
    int64_t values = 0;
    {
        ResultDatabase database(folder / "bench.db");
        for (auto _ : state) {
            RunWriter run(database, {"simulate", "office.kz7", "bench.epw"});
            for (int dayOfYear = 0; dayOfYear < 365; ++dayOfYear) {
                for (int hour = 0; hour < 24; ++hour) {
                    const double date = ToOleDate(2003, 1, 1, 1.0 + hour) + dayOfYear;
                    for (int zone = 0; zone <= kZones; ++zone) {
                        run.Store(2, zone, day[hour][static_cast<size_t>(zone)], date);
                    }
                }
            }
            run.Finish(RunStatus::Finished);
            values += run.ValueCount();
        }
        state.counters["db_MB"] = static_cast<double>(fs::file_size(folder / "bench.db")) / 1e6;
    }
    state.SetItemsProcessed(values);
    fs::remove_all(folder);
}
BENCHMARK(BM_StoreHourlyOfficeYear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kz7::app
