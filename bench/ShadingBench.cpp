// What host shading adds to an annual ten-minute run: a 100-zone building in
// which every zone has one 3 m × 2 m window with an overhang and two fins,
// the windows spread over the four facades, run through the control on the
// Denver weather with its records dropped. Three variants: no shading
// records; every window shaded alike (a facade of like windows, worked out
// once per facade); every window shaded differently (the overhang and fin
// depth changes from zone to zone, so nothing is shared). Reading the model is
// timed with the run, as `kz7 simulate` does both: the diffuse factors are
// worked out while reading. Beside it, what a user waits for: `kz7 simulate`
// of the same building with its hourly results stored.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "HostShading.h"
#include "ModelFile.h"
#include "ScratchFolder.h"
#include "SimulateCommand.h"
#include "ShadingCalculator.h"
#include "ShadingRecords.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/TempFile.h"
#include "kz7/weather/SunPosition.h"

namespace kz7::app {
namespace {

enum class Shading { None, Alike, Distinct };

constexpr int kZones = 100;

std::string ZoneText(int zone, int facing) {
    const std::string key = std::to_string(zone);
    return "Zone," + key + "\nRoom " + key +
           "\n18,48.6,0.05,1,0,1002,Office,1,4,0,0,-,3,0,0,0,-,0\n1,21\n1,24\n"
           "OpaqueElements\n"
           "W,CAVITY-WALL-FULL,10.2,1," + std::to_string(facing) + ",90,-1,,0,25,3,10,1,,0\n"
           "R,FLAT-ROOF-TIMBER,18,1,0,0,-1,,0,0,0,0,1,,0\n"
           "S,GROUND-FLOOR-SLAB,18,5,0,180,10,0,0,0,0,30,0,0,1\n}\n"
           "GlazedElements\n"
           "G,DOUBLE-LOWE,6,1," + std::to_string(facing) + ",90," + key +
           ",All other cases,0,False,0,,,0,,,1.5,4,2\n}\n"
           "AirflowElements\nI,ALWAYS-ON,0.5,1\n}\n"
           "Gains\nEQ,ALWAYS-ON,200,0,0.5,0\n}\n}\n";
}

std::string ShadingText(int zone, int facing, double depth) {
    const std::string plane = std::to_string(zone), d = std::to_string(depth);
    return "ShadingPlane," + plane + "," + std::to_string(facing) + ",90,3,2\n" +
           "ShadingOverhang," + plane + "," + d + ",0.5,0.5,0.5\n" +
           "ShadingFin," + plane + ",Left," + d + ",0.2,0.5,0.2\n" +
           "ShadingFin," + plane + ",Right," + d + ",0.2,0.5,0.2\n";
}

constexpr std::array<int, 4> kFacades{180, 90, 270, 0};

std::string ShadingRecordsText(Shading shading) {
    std::string text;
    for (int zone = 1; zone <= kZones; ++zone)
        text += ShadingText(zone, kFacades[zone % 4],
                            shading == Shading::Alike ? 1.0 : 0.5 + 0.01 * zone);
    return text;
}

std::string BuildingText(Shading shading) {
    std::string text =
        "Location\n0,0,0,0,0,0,0,0,0,0,0,0\n39.83,104.65,105,0.2,2\n-\n"
        "SimulationOptions\n10,1,1,31,12,18,0.5,0\n-\n"
        "SimulationWeather\n" KZ7_SOURCE_DIR
        "/examples/weather/USA_CO_Denver.Intl.AP.725650_TMY3.epw,4\n-\n";
    for (int zone = 1; zone <= kZones; ++zone) text += ZoneText(zone, kFacades[zone % 4]);
    return shading == Shading::None ? text : text + ShadingRecordsText(shading);
}

void BM_AnnualTenMinute100Zones(benchmark::State& bench) {
    const auto shading = static_cast<Shading>(bench.range(0));
    const std::filesystem::path model =
        WriteTemporaryFile(TemporaryFolder(""), BuildingText(shading));
    for (auto _ : bench) {
        EngineState state;
        state.errorHandler = [](const std::string&) {};
        SimulateX control(state);
        if (!LoadModel(control, model.string(), KZ7_SOURCE_DIR "/support").empty()) {
            bench.SkipWithError("the model could not be read");
            break;
        }
        control.Simulate();
    }
    std::error_code ignored;
    std::filesystem::remove(model, ignored);
}
BENCHMARK(BM_AnnualTenMinute100Zones)
    ->ArgName("shading")
    ->Arg(static_cast<int>(Shading::None))
    ->Arg(static_cast<int>(Shading::Alike))
    ->Arg(static_cast<int>(Shading::Distinct))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// `kz7 simulate <model> --quiet` of the same building, hourly results stored
// into a new database each time: reading, the run and storing.
void BM_Simulate100ZonesHourlyStored(benchmark::State& bench) {
    kz7::bench::ScratchFolder folder;
    if (!folder.Made()) return bench.SkipWithError("cannot make a temporary folder");
    ModelRunOptions options;
    options.model = folder.File("building.kz7").string();
    std::ofstream(options.model) << BuildingText(static_cast<Shading>(bench.range(0)));
    options.support = KZ7_SOURCE_DIR "/support";
    options.quiet = true;
    int iteration = 0;
    for (auto _ : bench) {
        options.db = folder.File("run" + std::to_string(++iteration) + ".db").string();
        if (SimulateAndStore(options, Resolution::Hourly).exitCode != 0)
            return bench.SkipWithError("the run failed");
    }
}
BENCHMARK(BM_Simulate100ZonesHourlyStored)
    ->ArgName("shading")
    ->Arg(static_cast<int>(Shading::None))
    ->Arg(static_cast<int>(Shading::Alike))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

ShadingPlanes PlanesOf(Shading shading) {
    LineReader reader;
    reader.OpenText(ShadingRecordsText(shading), "bench.kz7");
    return ReadShadingRecords(reader, [](const std::string&) {});
}

// The host's own share of the run, without the engine: the diffuse factors
// worked out on reading, then the factors of every plane at every ten-minute
// step of the year with the sun up, as the engine asks for them.
void BM_HostShadingDiffuseFactors(benchmark::State& bench) {
    const ShadingPlanes planes = PlanesOf(static_cast<Shading>(bench.range(0)));
    for (auto _ : bench) benchmark::DoNotOptimize(HostShading(planes).DiffuseFactor(1));
}
BENCHMARK(BM_HostShadingDiffuseFactors)
    ->ArgName("shading")
    ->Arg(static_cast<int>(Shading::Alike))
    ->Arg(static_cast<int>(Shading::Distinct))
    ->Unit(benchmark::kMillisecond);

// Every ten-minute step of the year with the sun up at Denver, as the run above.
void ForEachSunOfTheYear(const std::function<void(const SunAngles&)>& use) {
    for (int day = 1; day <= 365; ++day) {
        for (int step = 0; step < 144; ++step) {
            const SunAngles sun = SunPosX(day, step / 6.0, 39.83, 104.65, 105.0);
            if (sun.altitude > 0.0) use(sun);
        }
    }
}

void BM_HostShadingYearOfFactors(benchmark::State& bench) {
    HostShading shading(PlanesOf(static_cast<Shading>(bench.range(0))));
    for (auto _ : bench) {
        ForEachSunOfTheYear([&shading](const SunAngles& sun) {
            shading.SetSunPosition(static_cast<float>(sun.altitude), static_cast<float>(sun.azimuth));
            for (int32_t plane = 1; plane <= kZones; ++plane) {
                float direct = 1.0f, diffuse = 1.0f;
                shading.Factors(plane, direct, diffuse);
                benchmark::DoNotOptimize(direct);
            }
        });
    }
}
BENCHMARK(BM_HostShadingYearOfFactors)
    ->ArgName("shading")
    ->Arg(static_cast<int>(Shading::Alike))
    ->Arg(static_cast<int>(Shading::Distinct))
    ->Unit(benchmark::kMillisecond);

// What tabulating the direct factor would cost in accuracy; the host does not
// do it. The shadows depend only on the sun's two profile angles in the
// plane's frame (atan of u/w and of v/w), so a table holds the exact sunlit
// share at the corners of a grid over them, from -90° to 90°, and is read
// bilinearly. Reported for every tenth window of the distinct building: the
// exact evaluations a table takes to fill and the processor time per table;
// the suns in front of a window in a year (the exact evaluations the host
// makes instead); and over those suns, against the exact factor, the largest
// and the mean difference and the difference in the year's sum of factor ×
// cosine of incidence (the beam let through for a steady beam).
class DirectFactorTable {
  public:
    DirectFactorTable(const ShadingCalculator& exact, double stepDegrees)
        : step_(stepDegrees), corners_(static_cast<int>(std::lround(180.0 / stepDegrees)) + 1) {
        values_.resize(static_cast<size_t>(corners_) * corners_);
        for (int i = 0; i < corners_; ++i)
            for (int j = 0; j < corners_; ++j)
                values_[Index(i, j)] = exact.SunlitShare(Direction(i, j));
    }

    size_t Size() const { return values_.size(); }

    double SunlitShare(const Vec3& sun) const {
        if (sun.z < 1e-5) return 0.0;
        const double i = (std::atan2(sun.x, sun.z) / kDegree + 90.0) / step_;
        const double j = (std::atan2(sun.y, sun.z) / kDegree + 90.0) / step_;
        const int i0 = std::clamp(static_cast<int>(i), 0, corners_ - 2);
        const int j0 = std::clamp(static_cast<int>(j), 0, corners_ - 2);
        const double fi = i - i0, fj = j - j0;
        return (1 - fi) * ((1 - fj) * values_[Index(i0, j0)] + fj * values_[Index(i0, j0 + 1)]) +
               fi * ((1 - fj) * values_[Index(i0 + 1, j0)] + fj * values_[Index(i0 + 1, j0 + 1)]);
    }

  private:
    static constexpr double kDegree = std::numbers::pi / 180.0;

    size_t Index(int i, int j) const { return static_cast<size_t>(i) * corners_ + j; }
    // The direction of a grid corner; on the rim (±90°) the sun grazes the plane.
    Vec3 Direction(int i, int j) const {
        const double a = (-90.0 + i * step_) * kDegree, b = (-90.0 + j * step_) * kDegree;
        if (std::abs(std::cos(a)) < 1e-9 || std::abs(std::cos(b)) < 1e-9) return {0.0, 0.0, 0.0};
        const Vec3 d{std::tan(a), std::tan(b), 1.0};
        return (1.0 / Length(d)) * d;
    }

    double step_;
    int corners_;
    std::vector<double> values_;
};

void BM_TabulatedDirectFactorError(benchmark::State& bench) {
    const double stepDegrees = static_cast<double>(bench.range(0));
    const ShadingPlanes planes = PlanesOf(Shading::Distinct);
    double largest = 0.0, differences = 0.0, count = 0.0, exactSum = 0.0, tableSum = 0.0;
    double entries = 0.0, tables = 0.0;
    std::clock_t filling = 0;  // processor time
    for (auto _ : bench) {
        for (const auto& [index, plane] : planes) {
            if (index % 10 != 0) continue;
            const ShadingCalculator exact(plane);
            const std::clock_t start = std::clock();
            const DirectFactorTable table(exact, stepDegrees);
            filling += std::clock() - start;
            entries = static_cast<double>(table.Size());
            tables += 1.0;
            ForEachSunOfTheYear([&](const SunAngles& angles) {
                const Vec3 sun = plane.DirectionToLocal(SunDirection(angles.altitude, angles.azimuth));
                if (sun.z < 1e-5) return;
                const double want = exact.SunlitShare(sun), got = table.SunlitShare(sun);
                largest = std::max(largest, std::abs(got - want));
                differences += std::abs(got - want);
                count += 1.0;
                exactSum += want * sun.z;
                tableSum += got * sun.z;
            });
        }
    }
    bench.counters["entries"] = entries;
    bench.counters["fill_ms_per_table"] = 1000.0 * filling / CLOCKS_PER_SEC / tables;
    bench.counters["suns_in_front_per_year"] = count / tables;
    bench.counters["max_error"] = largest;
    bench.counters["mean_error"] = differences / count;
    bench.counters["year_beam_error_pct"] = 100.0 * (tableSum - exactSum) / exactSum;
}
BENCHMARK(BM_TabulatedDirectFactorError)
    ->ArgName("step_degrees")
    ->Arg(1)
    ->Arg(2)
    ->Arg(5)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace kz7::app
