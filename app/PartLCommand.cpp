// kz7 partl MODEL [--support DIR] [--json]: the Part L figures and both
// glazing tests, per zone and for the building, without simulating.
#include <fmt/core.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Commands.h"
#include "JsonNumber.h"
#include "JsonOutput.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "kz7/compliance/PartL.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"

namespace kz7::app {

namespace {

struct PartLOptions {
    std::string model;
    std::string support;
    bool strict = false;
    bool json = false;
};

struct PartLFigures {
    std::string key;  // empty for the building
    bool heated = false;
    MaxUValues maxU;
    WindowAreas areas;
    double averageU = 0.0;
    bool passL122 = false;
    bool passAppendixH = false;
    double solarLoad = 0.0;  // W/m², zones only
};

// A zone's own figures, heated or not (the building figures count heated zones only).
PartLFigures ZoneFigures(Zone& zone) {
    PartLFigures figures;
    figures.key = zone.Key;
    figures.heated = zone.IsHeated();
    zone.GetMaxUValues(figures.maxU);
    zone.GetWindowAreas(figures.areas);
    double area = 0.0;
    double areaTimesU = 0.0;
    zone.GetAverageUValue(area, areaTimesU);
    figures.averageU = area == 0.0 ? 0.0 : areaTimesU / area;
    figures.passL122 = zone.PassPartL122();
    figures.passAppendixH = zone.PassPartLAppendixH();
    figures.solarLoad = zone.SolarLoad;
    return figures;
}

PartLFigures BuildingFigures(SimulateX& control) {
    PartLFigures figures;
    MaxUValues& u = figures.maxU;
    control.GetMaxUValues(u.PitchedRoofUWithInsulationBetweenRafters,
                          u.PitchedRoofUWithInsulationBetweenJoists, u.FlatRoofU, u.WallsU,
                          u.FloorsU, u.WindowsMetalFramesU, u.WindowsWoodFramesU, u.RooflightsU,
                          u.LargeDoorsU);
    WindowAreas& a = figures.areas;
    control.GetWindowAreas(a.WindowArea, a.RooflightArea, a.WallArea, a.RoofArea,
                           a.ShopWindowDisplayArea);
    figures.averageU = control.GetAverageUValue();
    figures.passL122 = control.PassPartL122();
    figures.passAppendixH = control.PassPartLAppendixH();
    return figures;
}

nlohmann::ordered_json ToJson(const PartLFigures& f, bool zone) {
    nlohmann::ordered_json json;
    auto n = [](double value) { return JsonNumber<nlohmann::ordered_json>(value); };
    if (zone) {
        json["key"] = f.key;
        json["heated"] = f.heated;
    }
    const MaxUValues& u = f.maxU;
    json["maxUValues"] = {
        {"PitchedRoofUWithInsulationBetweenRafters", n(u.PitchedRoofUWithInsulationBetweenRafters)},
        {"PitchedRoofUWithInsulationBetweenJoists", n(u.PitchedRoofUWithInsulationBetweenJoists)},
        {"FlatRoofU", n(u.FlatRoofU)},
        {"WallsU", n(u.WallsU)},
        {"FloorsU", n(u.FloorsU)},
        {"WindowsMetalFramesU", n(u.WindowsMetalFramesU)},
        {"WindowsWoodFramesU", n(u.WindowsWoodFramesU)},
        {"RooflightsU", n(u.RooflightsU)},
        {"LargeDoorsU", n(u.LargeDoorsU)}};
    const WindowAreas& a = f.areas;
    json["windowAreas"] = {{"WindowArea", n(a.WindowArea)},
                           {"RooflightArea", n(a.RooflightArea)},
                           {"WallArea", n(a.WallArea)},
                           {"RoofArea", n(a.RoofArea)},
                           {"ShopWindowDisplayArea", n(a.ShopWindowDisplayArea)}};
    json["averageUValue"] = n(f.averageU);
    json["passPartL122"] = f.passL122;
    json["passPartLAppendixH"] = f.passAppendixH;
    if (zone) json["solarLoad"] = n(f.solarLoad);
    return json;
}

const char* PassText(bool pass) {
    return pass ? "pass" : "fail";
}

void PrintTable(const std::vector<PartLFigures>& zones, const PartLFigures& building) {
    fmt::print("{:<16} {:>6} {:>9} {:>8} {:>9} {:>9} {:>9} {:>9} {:>7} {:>10} {:>10}\n", "zone",
               "heated", "avg U", "wall U", "window m2", "wall m2", "rooflight", "roof m2", "L122",
               "AppendixH", "solar W/m2");
    for (const PartLFigures& z : zones)
        fmt::print(
            "{:<16} {:>6} {:>9.3f} {:>8.3f} {:>9.2f} {:>9.2f} {:>9.2f} {:>9.2f} {:>7} {:>10} "
            "{:>10.2f}\n",
            z.key, z.heated ? "yes" : "no", z.averageU, z.maxU.WallsU, z.areas.WindowArea,
            z.areas.WallArea, z.areas.RooflightArea, z.areas.RoofArea, PassText(z.passL122),
            PassText(z.passAppendixH), z.solarLoad);
    const MaxUValues& u = building.maxU;
    const WindowAreas& a = building.areas;
    fmt::print("\nbuilding (heated zones)\n");
    fmt::print(
        "  worst U-values (W/m2K): pitched roof, rafters {:.3f}; pitched roof, joists {:.3f}; flat "
        "roof {:.3f}\n",
        u.PitchedRoofUWithInsulationBetweenRafters, u.PitchedRoofUWithInsulationBetweenJoists,
        u.FlatRoofU);
    fmt::print(
        "                          walls {:.3f}; floors {:.3f}; windows, metal frames {:.3f}; "
        "windows, wood frames {:.3f}; rooflights {:.3f}; large doors {:.3f}\n",
        u.WallsU, u.FloorsU, u.WindowsMetalFramesU, u.WindowsWoodFramesU, u.RooflightsU,
        u.LargeDoorsU);
    fmt::print(
        "  areas (m2): windows {:.2f}; rooflights {:.2f}; walls {:.2f}; roofs {:.2f}; shop window "
        "display {:.2f}\n",
        a.WindowArea, a.RooflightArea, a.WallArea, a.RoofArea, a.ShopWindowDisplayArea);
    fmt::print("  average U-value (W/m2K): {:.3f}\n", building.averageU);
    fmt::print("  glazing-ratio test (L122): {}\n", PassText(building.passL122));
    fmt::print("  solar-load test (Appendix H): {}\n", PassText(building.passAppendixH));
}

int PrintPartL(SimulateX& control, const PartLOptions& options) {
    EngineState& state = control.State();
    if (ReportProblems(options.model, ModelProblems(state))) return kExitFailed;

    std::vector<PartLFigures> zones;
    for (Zone& zone : *state.zones) zones.push_back(ZoneFigures(zone));
    const PartLFigures building = BuildingFigures(control);

    if (options.json) {
        nlohmann::ordered_json json;
        json["model"] = options.model;
        json["zones"] = nlohmann::ordered_json::array();
        for (const PartLFigures& zone : zones) json["zones"].push_back(ToJson(zone, true));
        json["building"] = ToJson(building, false);
        fmt::print("{}\n", JsonText(json));
    } else {
        PrintTable(zones, building);
    }
    return kExitOk;
}

int RunPartL(const PartLOptions& options) {
    SimulateX control;
    return WithModel(control, {options.model, options.support, options.strict},
                     [&] { return PrintPartL(control, options); });
}

}  // namespace

void RegisterPartLCommand(CLI::App& app) {
    auto options = std::make_shared<PartLOptions>();
    CLI::App* command = app.add_subcommand(
        "partl", "Part L figures and glazing tests of a model, without simulating");
    command->add_option("MODEL", options->model, "Model document")->required();
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    command->add_flag("--json", options->json, "Print JSON instead of a table");
    AddStrictOption(*command, options->strict);
    command->callback([options] { SetExitCode(RunPartL(*options)); });
}

}  // namespace kz7::app
