#include "kz7/output/ResultVariables.h"

namespace kz7 {

namespace {

constexpr std::array<ZoneVariableInfo, kZoneVariableCount> kZoneVariables{{
#define KZ7_ZONE_VARIABLE_ROW(position, name, unit, aggregation, group) \
    {position, #name, unit, Aggregation::aggregation, group},
    KZ7_ZONE_VARIABLES(KZ7_ZONE_VARIABLE_ROW)
#undef KZ7_ZONE_VARIABLE_ROW
}};

constexpr std::array<PlantVariableInfo, kPlantVariableCount> kPlantVariables{{
#define KZ7_PLANT_VARIABLE_ROW(position, name, unit, group, source, item) \
    {position, #name, unit, group, PlantSource::source, item},
    KZ7_PLANT_VARIABLES(KZ7_PLANT_VARIABLE_ROW)
#undef KZ7_PLANT_VARIABLE_ROW
}};

constexpr bool PositionsAreConsecutive() {
    for (size_t i = 0; i < kZoneVariables.size(); ++i)
        if (kZoneVariables[i].position != static_cast<int32_t>(i) + 1) return false;
    for (size_t i = 0; i < kPlantVariables.size(); ++i)
        if (kPlantVariables[i].position != kFirstPlantPosition + static_cast<int32_t>(i))
            return false;
    return true;
}
static_assert(PositionsAreConsecutive(), "every position is listed once, in order");

constexpr std::array<std::string_view, kZoneOutputGroupCount> kZoneGroupNames{
    "Temperatures",      "Heating and cooling", "Solar gains", "Internal gains",
    "Fabric heat flows", "Air-flow heat",       "Moisture",    "Occupancy and comfort",
    "Zone energy use",   "Emitter operation"};

constexpr std::array<std::string_view, kPlantOutputGroupCount> kPlantGroupNames{
    "Heating and cooling plant", "Energy and carbon", "Boiler and chiller fuel"};

struct GainOutputName {
    std::string_view code;
    ZoneVariable variable;
};

// "PE" is the occupancy code of the gain records.
constexpr std::array<GainOutputName, 5> kGainOutputNames{{
    {"PE", ZoneVariable::OccupantGains},
    {"LI", ZoneVariable::LightingGains},
    {"EQ", ZoneVariable::EquipmentGains},
    {"PR", ZoneVariable::ProcessGains},
    {"CA", ZoneVariable::CateringGains},
}};

struct ElementOutput {
    std::string_view elementCode;
    ZoneVariable variable;
    ZoneVariable total;
};

constexpr std::array<ElementOutput, 15> kElementOutputs{{
    {"W", ZoneVariable::WallHeatFlow, ZoneVariable::FabricHeatFlow},
    {"G", ZoneVariable::GlazingHeatFlow, ZoneVariable::FabricHeatFlow},
    {"R", ZoneVariable::RoofHeatFlow, ZoneVariable::FabricHeatFlow},
    {"L", ZoneVariable::RooflightHeatFlow, ZoneVariable::FabricHeatFlow},
    {"C", ZoneVariable::CeilingHeatFlow, ZoneVariable::FabricHeatFlow},
    {"F", ZoneVariable::FloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"S", ZoneVariable::GroundFloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"E", ZoneVariable::ExternalFloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"D", ZoneVariable::DoorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"P", ZoneVariable::PartitionHeatFlow, ZoneVariable::FabricHeatFlow},
    {"O", ZoneVariable::OpeningHeatFlow, ZoneVariable::FabricHeatFlow},
    {"I", ZoneVariable::InfiltrationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"V", ZoneVariable::NaturalVentilationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"M", ZoneVariable::MechanicalVentilationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"A", ZoneVariable::InterzoneAirflowHeatFlow, ZoneVariable::AirExchangeHeatFlow},
}};

}  // namespace

const std::array<ZoneVariableInfo, kZoneVariableCount>& ZoneVariables() {
    return kZoneVariables;
}

const std::array<PlantVariableInfo, kPlantVariableCount>& PlantVariables() {
    return kPlantVariables;
}

const ZoneVariableInfo& ZoneVariableAt(int32_t position) {
    return kZoneVariables.at(static_cast<size_t>(position - 1));
}

std::string_view ZoneOutputGroupName(int32_t group) {
    return kZoneGroupNames.at(static_cast<size_t>(group - 1));
}

std::string_view PlantOutputGroupName(int32_t group) {
    return kPlantGroupNames.at(static_cast<size_t>(group - 1));
}

int16_t GainOutputCode(std::string_view gainCode) {
    for (size_t i = 0; i < kGainOutputNames.size(); ++i)
        if (kGainOutputNames[i].code == gainCode) return static_cast<int16_t>(i + 1);
    return 0;
}

ZoneVariable GainVariable(int16_t HBGNCODE) {
    if (HBGNCODE < 1 || HBGNCODE > static_cast<int16_t>(kGainOutputNames.size()))
        return ZoneVariable::OtherGains;
    return kGainOutputNames[static_cast<size_t>(HBGNCODE - 1)].variable;
}

int16_t ElementOutputCode(std::string_view elementCode) {
    for (size_t i = 0; i < kElementOutputs.size(); ++i)
        if (kElementOutputs[i].elementCode == elementCode) return static_cast<int16_t>(i + 1);
    return 0;
}

ZoneVariable ElementVariable(int16_t HBELCODE) {
    if (HBELCODE < 1 || HBELCODE > static_cast<int16_t>(kElementOutputs.size()))
        return ZoneVariable::FabricHeatFlow;
    return kElementOutputs[static_cast<size_t>(HBELCODE - 1)].variable;
}

ZoneVariable ElementTotalVariable(int16_t HBELCODE) {
    if (HBELCODE < 1 || HBELCODE > static_cast<int16_t>(kElementOutputs.size()))
        return ZoneVariable::FabricHeatFlow;
    return kElementOutputs[static_cast<size_t>(HBELCODE - 1)].total;
}

}  // namespace kz7
