// The HTML report of a 100-zone hourly year: reading it from a result
// database, and reducing it and writing the page. The page size is reported
// as the counter "page_MB".
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "HtmlReport.h"
#include "HtmlReportData.h"
#include "HtmlReportPage.h"
#include "HtmlReportSource.h"
#include "ResultDatabase.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/platform/OleDate.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

constexpr int kZones = 100;
constexpr int kHours = 8760;

double Air(int zone, int hour) {
    return 20.0 + 6.0 * std::sin(hour * 2.0 * M_PI / 24.0) + (zone % 7) * 0.3 +
           4.0 * std::sin(hour * 2.0 * M_PI / kHours);
}

// The hourly record of a zone (1..100) or of the building and plant (0),
// with the values the report reads; the other positions are empty.
std::vector<float> Record(int zone, int hour) {
    std::vector<float> values(zone == 0 ? 126 : 55, std::numeric_limits<float>::quiet_NaN());
    const double air = Air(zone, hour);
    auto set = [&](int32_t position, double value) {
        values[static_cast<size_t>(position)] = static_cast<float>(value);
    };
    for (ZoneVariable variable : {ZoneVariable::AirTemperature, ZoneVariable::RadiantTemperature,
                                  ZoneVariable::ComfortTemperature}) {
        set(static_cast<int32_t>(variable), air);
    }
    set(static_cast<int32_t>(ZoneVariable::OutsideAirTemperature), air - 10.0);
    set(static_cast<int32_t>(ZoneVariable::Heating), std::max(0.0, 21.0 - air));
    set(static_cast<int32_t>(ZoneVariable::Cooling), std::max(0.0, air - 25.0));
    set(static_cast<int32_t>(ZoneVariable::OccupiedHours), hour % 24 >= 8 && hour % 24 < 18);
    set(static_cast<int32_t>(ZoneVariable::OccupiedComfortTemperature), air);
    if (zone == 0)
        for (int32_t position = 71; position <= 125; ++position) set(position, 1.5);
    return values;
}

class HundredZoneYear {
  public:
    HundredZoneYear() {
        std::string pattern = (fs::temp_directory_path() / "kz7-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
    }
    ~HundredZoneYear() {
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    const fs::path& Folder() const { return folder_; }
    fs::path Database() {
        const fs::path file = folder_ / "year.db";
        ResultDatabase database(file);
        RunWriter run(database, {"simulate", "hundred.kz7", "year.epw"});
        std::vector<ZoneInfo> zones;
        for (int zone = 1; zone <= kZones; ++zone)
            zones.push_back({zone, std::to_string(zone), "Zone " + std::to_string(zone)});
        run.AddZones(zones);
        for (int hour = 0; hour < kHours; ++hour) {
            const double time = ToOleDate(2003, 1, 1) + (hour + 1) / 24.0;
            for (int zone = 1; zone <= kZones; ++zone) {
                const std::vector<float> values = Record(zone, hour);
                run.Store({2, zone, values, time, time});
            }
            const std::vector<float> building = Record(0, hour);
            run.Store({2, 0, building, time, time});
        }
        const std::vector<float> summary{5, 3, 30, 30, 30, 12, 12, 12};
        const double end = ToOleDate(2003, 12, 31);
        for (int zone = 1; zone <= kZones; ++zone) run.Store({6, zone, summary, end, end});
        run.Finish(RunStatus::Finished);
        return file;
    }

  private:
    fs::path folder_;
};

// Everything `kz7 report-html` does: read, reduce, write.
void BM_HtmlReportOfHundredZoneYear(benchmark::State& state) {
    HundredZoneYear year;
    if (year.Folder().empty()) return state.SkipWithError("cannot make a temporary folder");
    const fs::path file = year.Database();
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    const fs::path page = year.Folder() / "report.html";
    for (auto _ : state) WriteHtmlReport(database, std::nullopt, page);
    state.counters["page_MB"] = static_cast<double>(fs::file_size(page)) / 1e6;
}
BENCHMARK(BM_HtmlReportOfHundredZoneYear)->Unit(benchmark::kMillisecond)->Iterations(3);

// The part that does not depend on how the database stores its values.
void BM_HtmlReportPageOfHundredZoneYear(benchmark::State& state) {
    HundredZoneYear year;
    if (year.Folder().empty()) return state.SkipWithError("cannot make a temporary folder");
    const fs::path file = year.Database();
    ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
    const HtmlReportInput input = LoadHtmlReportInput(database, std::nullopt);
    size_t size = 0;
    for (auto _ : state) {
        const std::string page = HtmlReportPage(BuildHtmlReportData(input));
        size = page.size();
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["page_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_HtmlReportPageOfHundredZoneYear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kz7::app
