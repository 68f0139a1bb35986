// The result database on its own: a year of hourly records of a five-zone
// office stored (values per second, MB per zone-year), and one variable of
// one zone read back for a year of hours from a 10-zone database holding
// 10-minute and hourly records, through the read interface and through the
// one-row-per-value view.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "ResultDatabase.h"
#include "ResultReader.h"
#include "Sqlite.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

using bench::ScratchFolder;

// Values like the engine's: every variable changing, a few missing.
std::vector<float> MakeRecord(int zone, int step) {
    const bool building = zone == 0;
    std::vector<float> values(building ? 126 : 55, std::numeric_limits<float>::quiet_NaN());
    for (int position = 1; position < static_cast<int>(values.size()); ++position) {
        if (building && position > 54 && position < 66) continue;
        if (position % 50 == 0) continue;
        values[static_cast<size_t>(position)] =
            static_cast<float>(20.0 + position * 0.137 + zone * 0.011 + std::sin(step * 0.01));
    }
    return values;
}

// Stores `days` of records of `zones` zones and the building: `stepsPerHour`
// step records (interval 1, none when 0) and one hourly record per hour.
void StoreRun(ResultDatabase& database, int zones, int days, int stepsPerHour) {
    RunWriter run(database, {"simulate", "bench.kz7", "bench.epw"});
    std::vector<std::vector<float>> records;
    for (int zone = 0; zone <= zones; ++zone) records.push_back(MakeRecord(zone, 0));
    for (int hour = 0; hour < days * 24; ++hour) {
        const double start = ToOleDate(2003, 1, 1) + hour / 24.0;
        for (int zone = 0; zone <= zones; ++zone)  // every variable changes by the hour
            for (float& value : records[static_cast<size_t>(zone)])
                if (!std::isnan(value)) value += std::sin(static_cast<float>(hour) * 0.3f);
        for (int step = 1; step <= stepsPerHour; ++step) {
            const double time = start + step / (24.0 * stepsPerHour);
            for (int zone = 0; zone <= zones; ++zone) {
                records[static_cast<size_t>(zone)][1] = static_cast<float>(hour + step);
                run.Store({1, zone, records[static_cast<size_t>(zone)], time, time});
            }
        }
        const double time = start + 1.0 / 24.0;
        for (int zone = 0; zone <= zones; ++zone) {
            records[static_cast<size_t>(zone)][1] = static_cast<float>(hour);
            run.Store({2, zone, records[static_cast<size_t>(zone)], time, time});
        }
    }
    run.AddVariables({{RecordKind::Zone, 1, "AirTemperature", "°C", "mean"}});
    run.Finish(RunStatus::Finished);
}

void BM_StoreHourlyOfficeYear(benchmark::State& state) {
    ScratchFolder folder;
    if (!folder.Made()) return state.SkipWithError("cannot make a temporary folder");
    constexpr int kZones = 5;
    int iteration = 0;
    for (auto _ : state) {
        ResultDatabase database(folder.File("bench" + std::to_string(++iteration) + ".db"));
        StoreRun(database, kZones, 365, 0);
    }
    const double bytes = static_cast<double>(fs::file_size(folder.File("bench1.db")));
    state.counters["MB_per_zone_year"] = bytes / 1e6 / kZones;
    state.SetItemsProcessed(state.iterations() * 365 * 24 * (kZones * 54 + 114));
}
BENCHMARK(BM_StoreHourlyOfficeYear)->Unit(benchmark::kMillisecond)->Iterations(3);

// One zone's hourly air temperature for a year, from a 10-zone database of
// 10-minute and hourly records.
void BM_ReadOneVariableYear(benchmark::State& state) {
    ScratchFolder folder;
    if (!folder.Made()) return state.SkipWithError("cannot make a temporary folder");
    {
        ResultDatabase database(folder.File("ten.db"));
        StoreRun(database, 10, 365, 6);
    }
    ResultDatabase database(folder.File("ten.db"), ResultDatabase::Access::ReadOnly);
    ResultReader reader(database);
    size_t values = 0;
    for (auto _ : state) {
        const TimeSeries series = reader.Series(1, 2, 5, "AirTemperature");
        values = series.values.size();
        benchmark::DoNotOptimize(series.values.data());
    }
    state.counters["values"] = static_cast<double>(values);
    state.counters["db_MB"] = static_cast<double>(fs::file_size(folder.File("ten.db"))) / 1e6;
}
BENCHMARK(BM_ReadOneVariableYear)->Unit(benchmark::kMillisecond);

// The same through the view SQL users query.
void BM_ReadOneVariableYearThroughResultsView(benchmark::State& state) {
    ScratchFolder folder;
    if (!folder.Made()) return state.SkipWithError("cannot make a temporary folder");
    {
        ResultDatabase database(folder.File("ten.db"));
        StoreRun(database, 10, 365, 6);
    }
    ResultDatabase database(folder.File("ten.db"), ResultDatabase::Access::ReadOnly);
    for (auto _ : state) {
        SqliteStatement select(database.Connection(),
                               "SELECT time, value FROM results WHERE run = 1 AND interval = "
                               "'hour' AND zone = 5 AND variable = 'AirTemperature'");
        int64_t rows = 0;
        while (select.Step()) ++rows;
        state.counters["rows"] = static_cast<double>(rows);
    }
}
BENCHMARK(BM_ReadOneVariableYearThroughResultsView)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kz7::app
