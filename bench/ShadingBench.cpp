// What host shading adds to an annual ten-minute run: a 100-zone building in
// which every zone has one 3 m × 2 m window with an overhang and two fins,
// the windows spread over the four facades, run through the control on the
// Denver weather with its records dropped. Three variants: no shading
// records; every window shaded alike (a facade of like windows, worked out
// once per facade); every window shaded differently (the overhang and fin
// depth changes from zone to zone, so nothing is shared). Reading the model is
// timed with the run, as `kz7 simulate` does both: the diffuse factors are
// worked out while reading.
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <string>

#include "ModelFile.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/TempFile.h"

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

std::string BuildingText(Shading shading) {
    std::string text =
        "Location\n0,0,0,0,0,0,0,0,0,0,0,0\n39.83,104.65,105,0.2,2\n-\n"
        "SimulationOptions\n10,1,1,31,12,18,0.5,0\n-\n"
        "SimulationWeather\n" KZ7_SOURCE_DIR
        "/examples/weather/USA_CO_Denver.Intl.AP.725650_TMY3.epw,4\n-\n";
    constexpr std::array<int, 4> kFacades{180, 90, 270, 0};
    for (int zone = 1; zone <= kZones; ++zone) text += ZoneText(zone, kFacades[zone % 4]);
    if (shading == Shading::None) return text;
    for (int zone = 1; zone <= kZones; ++zone)
        text += ShadingText(zone, kFacades[zone % 4],
                            shading == Shading::Alike ? 1.0 : 0.5 + 0.01 * zone);
    return text;
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

}  // namespace
}  // namespace kz7::app
