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
    for (size_t i = 0; i < detail::kGainOutputNames.size(); ++i)
        if (detail::kGainOutputNames[i].code == gainCode) return static_cast<int16_t>(i + 1);
    return 0;
}

int16_t ElementOutputCode(std::string_view elementCode) {
    for (size_t i = 0; i < detail::kElementOutputs.size(); ++i)
        if (detail::kElementOutputs[i].elementCode == elementCode) return static_cast<int16_t>(i + 1);
    return 0;
}

}  // namespace kz7
