// kz7 inspect: the model as read, with the values derived while reading.
#include "InspectCommand.h"

#include <fmt/core.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Commands.h"
#include "HostShading.h"
#include "JsonNumber.h"
#include "JsonOutput.h"
#include "ModelChecks.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7::app {

namespace {

// Keys keep the order written here, so the output is stable and readable.
using json = nlohmann::ordered_json;

constexpr double kDegreesPerRadian = 1.0 / 0.017453292522222223;

// Keyed collections hold the newest item first; reports list them as read.
template <typename Collection, typename Write>
json InReadingOrder(const Collection& collection, Write write) {
    json list = json::array();
    for (const auto& item : collection) list.insert(list.begin(), write(item));
    return list;
}

// A number as JSON, at the engine's precision (0.8, not 0.800000011920929);
// values that are not finite become null.
json Number(double value) {
    return JsonNumber<json>(value);
}

std::string KeyOf(const OpaqueMaterial* material) {
    return material ? material->Key : "";
}

json LayerJson(const Layer& layer) {
    return {{"material", KeyOf(layer.Material)},
            {"thickness", Number(layer.Thickness)},
            {"resistance", Number(layer.Resistance())},
            {"percBridge", Number(layer.PercBridge)},
            {"bridgeMaterial", KeyOf(layer.BridgeMaterial)},
            {"FN1", Number(layer.FN1)},
            {"nodes", layer.Nodes.Count()}};
}

json OpaqueJson(const OpaqueConstruction& c) {
    json layers = json::array();
    for (const auto& layer : c.LayerList) layers.push_back(LayerJson(*layer));
    return {{"key", c.Key},
            {"description", c.Description},
            {"type", c.TYP},
            {"used", c.IsUsed},
            {"preCalculated", c.UsesPreCalculatedUValue},
            {"thickness", Number(c.Thickness)},
            {"UValue", Number(c.UValue)},
            {"UValueBridged", Number(c.UValueBridged)},
            {"RValue", Number(c.RValue)},
            {"UValueSurfaceToSurface", Number(c.UValueSurfaceToSurface)},
            {"CM", Number(c.CM)},
            {"CW", Number(c.CW)},
            {"RES2", {Number(c.RES2(1)), Number(c.RES2(2))}},
            {"HVWT", c.HVWT},
            {"nodeCount", c.NodeCount()},
            {"NODZ3", Number(c.NODZ3)},
            {"ABSRP", Number(c.ABSRP)},
            {"EmissO", Number(c.EmissO)},
            {"EmissI", Number(c.EmissI)},
            {"SROut", Number(c.SROut)},
            {"SRIn", Number(c.SRIn)},
            {"HCO", Number(c.HCO)},
            {"HCI", Number(c.HCI)},
            {"RadO", Number(c.RadO)},
            {"RadI", Number(c.RadI)},
            {"layers", layers}};
}

json GlazedJson(const GlazedConstruction& g) {
    return {{"key", g.Key},
            {"description", g.Description},
            {"type", g.TY},
            {"UValue", Number(g.UValue)},
            {"panes", g.NLayers},
            {"FrameMult", Number(g.FrameMult)},
            {"TransTotal", Number(g.TransTotal)},
            {"TransDirectSolar", Number(g.TransDirectSolar)},
            {"TransLight", Number(g.TransLight)},
            {"SROut", Number(g.SROut)},
            {"SRIn", Number(g.SRIn)},
            {"HCO", Number(g.HCO)},
            {"HCI", Number(g.HCI)},
            {"RadO", Number(g.RadO)},
            {"RadI", Number(g.RadI)},
            {"louvre", g.AttachedLouvre ? g.AttachedLouvre->Key : ""}};
}

std::string ConstructionKey(const Element& e) {
    if (e.Opaque) return e.Opaque->Key;
    if (e.Glazing) return e.Glazing->Key;
    if (e.AirflowPG) return e.AirflowPG->Key;
    return "";
}

json ElementJson(const Element& e) {
    return {{"code", e.ElCode},
            {"type", e.GetElementType()},
            {"construction", ConstructionKey(e)},
            {"area", Number(e.ElementArea)},
            {"IOS", e.IOS},
            {"orientation", Number(static_cast<float>(e.Orientation * kDegreesPerRadian))},
            {"slope", Number(static_cast<float>(e.Slope * kDegreesPerRadian))},
            {"adjacentZone", e.RMID},
            {"HVWT", e.HVWT},
            {"exclude", e.Exclude},
            {"airChanges", Number(e.AirflowRate)},
            {"kgPerSec", Number(e.KgPerSec)}};
}

template <typename T>
std::string KeyOrEmpty(const T* item) {
    return item ? item->Key : "";
}

json ZoneJson(const Zone& z) {
    json elements = json::array();
    for (const auto& e : z.elements) elements.push_back(ElementJson(*e));
    json gains = json::array();
    for (const auto& g : z.gains)
        gains.push_back({{"code", g->Code},
                         {"profileGroup", KeyOrEmpty(g->PG)},
                         {"maxSensible", Number(g->MaxSensible)},
                         {"maxLatent", Number(g->MaxLatent)},
                         {"RF", Number(g->RF)},
                         {"fuelCode", g->FuelCode},
                         {"fuelConsumption", Number(g->FuelConsumption)}});
    json zone = {{"key", z.Key},
                 {"description", z.Description},
                 {"floorArea", Number(z.FloorArea)},
                 {"volume", Number(z.Volume)},
                 {"elements", elements},
                 {"gains", gains},
                 {"heater", nullptr},
                 {"cooler", nullptr}};
    if (z.Heater)
        zone["heater"] = {{"definition", KeyOrEmpty(z.Heater->Definition)},
                          {"setPoint", KeyOrEmpty(z.Heater->OperationPG)},
                          {"boiler", KeyOrEmpty(z.Heater->SupplyBoiler)}};
    if (z.Cooler)
        zone["cooler"] = {{"definition", KeyOrEmpty(z.Cooler->Definition)},
                          {"setPoint", KeyOrEmpty(z.Cooler->OperationPG)},
                          {"chiller", KeyOrEmpty(z.Cooler->SupplyChiller)}};
    return zone;
}

json ProfileJson(const Profile& p) {
    json points = json::array();
    for (const ProfilePoint& point : p.Points)
        points.push_back({Number(point.Time), Number(point.Value)});
    return {{"key", p.Key},
            {"static", p.IsStatic},
            {"staticValue", Number(p.StaticValue)},
            {"points", points}};
}

json ProfileGroupJson(const ProfileGroup& g) {
    json months = json::array();
    if (!g.IsStatic) {
        for (int32_t month = 1; month <= ProfileGroup::kMonths; ++month) {
            json days = json::array();
            for (int32_t day = 1; day <= ProfileGroup::kDayTypes; ++day)
                days.push_back(KeyOrEmpty(g.ProfileFor(month, day)));
            months.push_back(days);
        }
    }
    return {{"key", g.Key},
            {"static", g.IsStatic},
            {"staticValue", Number(g.StaticValue)},
            {"profiles", months}};
}

json PointJson(const Vec3& p) { return {Number(p.x), Number(p.y), Number(p.z)}; }

// Each shading plane with its rectangle, its surfaces (in the plane's frame,
// the parts in front of it) and its diffuse factor.
json ShadingJson(const HostShading* shading) {
    json planes = json::array();
    if (!shading) return planes;
    for (const auto& [index, plane] : shading->Planes()) {
        json surfaces = json::array();
        for (const ShadingSurface& surface : plane.surfaces) {
            json points = json::array();
            for (const Vec3& p : surface.points) points.push_back(PointJson(p));
            surfaces.push_back({{"line", surface.line}, {"record", surface.record}, {"points", points}});
        }
        planes.push_back({{"plane", index},
                          {"orientation", Number(plane.OrientationDegrees())},
                          {"slope", Number(plane.SlopeDegrees())},
                          {"width", Number(plane.Width())},
                          {"height", Number(plane.Height())},
                          {"origin", PointJson(plane.Origin())},
                          {"diffuseFactor", Number(shading->DiffuseFactor(index))},
                          {"surfaces", surfaces}});
    }
    return planes;
}

}  // namespace

json ModelJson(const EngineState& state, const std::string& path, const ModelMessages& messages,
               const HostShading* shading) {
    json model;
    model["model"] = path;
    model.update(MessagesJson(messages));
    model["materials"] = InReadingOrder(*state.opaqueMaterials, [](const OpaqueMaterial& m) {
        return json{{"key", m.Key},
                    {"description", m.Description},
                    {"category", m.Category},
                    {"conductivity", Number(m.Conductivity)},
                    {"capacity", Number(m.Capacity)},
                    {"density", Number(m.Density)}};
    });
    model["opaqueConstructions"] = InReadingOrder(*state.opaqueConstructions, OpaqueJson);
    model["glazedConstructions"] = InReadingOrder(*state.glazedConstructions, GlazedJson);
    model["louvres"] = InReadingOrder(*state.louvres, [](const Louvre& l) {
        return json{{"key", l.Key},
                    {"profileGroup", KeyOrEmpty(l.OperationPG)},
                    {"coefficients", l.Coefficients}};
    });
    json zones = json::array();
    for (const Zone& zone : *state.zones) zones.push_back(ZoneJson(zone));
    model["zones"] = zones;
    model["shadingPlanes"] = ShadingJson(shading);
    model["profiles"] = InReadingOrder(*state.profiles, ProfileJson);
    model["profileGroups"] = InReadingOrder(*state.profileGroups, ProfileGroupJson);
    const Plant& plant = *state.plant;
    auto unit = [](const PlantUnit& u) {
        return json{{"key", u.Key},
                    {"timer", KeyOrEmpty(u.Timer)},
                    {"fuelCode", u.SMPFuel},
                    {"capacity", Number(u.Capacity)},
                    {"conversionEfficiency", Number(u.ConversionEfficiency)}};
    };
    model["plant"] = {{"boilers", InReadingOrder(plant.boilers, unit)},
                      {"chillers", InReadingOrder(plant.chillers, unit)},
                      {"heaterDefinitions", InReadingOrder(plant.heaterDefinitions,
                                                           [](const HeaterDefinition& d) {
                                                               return json{
                                                                   {"key", d.Key},
                                                                   {"type", d.HeaterType},
                                                                   {"maxHeat", Number(d.MaxHeat)},
                                                                   {"radiantFraction",
                                                                    Number(d.RadiantFraction)}};
                                                           })},
                      {"coolerDefinitions",
                       InReadingOrder(plant.coolerDefinitions, [](const CoolerDefinition& d) {
                           return json{{"key", d.Key},
                                       {"type", d.CoolerType},
                                       {"maxHeat", Number(d.MaxHeat)},
                                       {"radiantFraction", Number(d.RadiantFraction)}};
                       })}};
    return model;
}

namespace {

void PrintText(const json& model) {
    fmt::print("Model {}\n", model["model"].get<std::string>());
    fmt::print("\nOpaque constructions\n{:<24} {:>4} {:>8} {:>8} {:>8} {:>8} {:>10} {:>5} {:>5}\n",
               "key", "type", "U", "U brdg", "R", "CM", "CW", "HVWT", "nodes");
    auto value = [](const json& v) {
        return v.is_null() ? std::string("-") : fmt::format("{:.3f}", v.get<double>());
    };
    for (const json& c : model["opaqueConstructions"])
        fmt::print("{:<24} {:>4} {:>8} {:>8} {:>8} {:>8} {:>10} {:>5} {:>5}\n",
                   c["key"].get<std::string>(), c["type"].get<std::string>(), value(c["UValue"]),
                   value(c["UValueBridged"]), value(c["RValue"]), value(c["CM"]), value(c["CW"]),
                   c["HVWT"].get<bool>() ? "yes" : "no", c["nodeCount"].get<int>());
    fmt::print("\nGlazing\n{:<24} {:>4} {:>8} {:>8} {:<12}\n", "key", "type", "U", "g", "louvre");
    for (const json& g : model["glazedConstructions"])
        fmt::print("{:<24} {:>4} {:>8} {:>8} {:<12}\n", g["key"].get<std::string>(),
                   g["type"].get<std::string>(), value(g["UValue"]), value(g["TransTotal"]),
                   g["louvre"].get<std::string>());
    for (const json& z : model["zones"]) {
        fmt::print("\nZone {} ({}): floor {} m², volume {} m³\n", z["key"].get<std::string>(),
                   z["description"].get<std::string>(), value(z["floorArea"]), value(z["volume"]));
        for (const json& e : z["elements"])
            fmt::print("  {:<2} {:<24} {:>8} m²  IOS {}  orientation {:>6}  slope {:>6} {}\n",
                       e["code"].get<std::string>(), e["construction"].get<std::string>(),
                       value(e["area"]), e["IOS"].get<int>(), value(e["orientation"]),
                       value(e["slope"]), e["adjacentZone"].get<std::string>());
    }
    for (const json& p : model["shadingPlanes"]) {
        fmt::print("\nShading plane {}: {} x {} m facing {} at slope {}, diffuse factor {}\n",
                   p["plane"].get<int>(), value(p["width"]), value(p["height"]),
                   value(p["orientation"]), value(p["slope"]), value(p["diffuseFactor"]));
        for (const json& surface : p["surfaces"])
            fmt::print("  line {}: {}\n", surface["line"].get<int64_t>(),
                       surface["record"].get<std::string>());
    }
    fmt::print("\n{} profiles, {} profile groups\n", model["profiles"].size(),
               model["profileGroups"].size());
}

}  // namespace

void RegisterInspectCommand(CLI::App& app) {
    auto options = std::make_shared<ModelInput>();
    auto asJson = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand(
        "inspect", "Show the model as read, with its derived values and its problems");
    AddModelInputOptions(*command, *options);
    command->add_flag("--json", *asJson, "Write the model as JSON");
    command->callback([options, asJson] {
        SimulateX control;
        ModelMessages messages;
        std::shared_ptr<const HostShading> shading;
        if (const std::string problem = CheckModel(control, *options, messages, &shading);
            !problem.empty()) {
            ShowProblem(problem);
            SetExitCode(kExitFailed);
            return;
        }
        for (const ModelMessage& message : messages.All())
            std::cerr << MessageLine(message) << '\n';
        if (StopsForStrict(options->model, messages, options->strict)) {
            SetExitCode(kExitFailed);
            return;
        }
        const json model = ModelJson(control.State(), options->model, messages, shading.get());
        if (*asJson) {
            std::cout << JsonText(model) << '\n';
        } else {
            PrintText(model);
            std::cout << '\n' << messages.CountText() << '\n';
        }
        SetExitCode(ExitAfterModelErrors(kExitOk, options->model, messages, nullptr, false));
    });
}

}  // namespace kz7::app
