#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kz7/input/LineReader.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/output/ZoneStepValues.h"

namespace kz7 {
namespace {

// Each output group follows the previous one (none split or skipped), names
// are unique across the building record, and the gains' fuel slots lie clear
// of the plant's (where the chillers' lie is checked with the plant).
TEST(ResultVariables, GroupsFollowInOrderNamesAreUniqueAndSlotsApart) {
    std::set<std::string_view> names;
    auto checkGroups = [&](const auto& variables, int32_t groups) {
        int32_t lastGroup = 0;
        for (const auto& variable : variables) {
            EXPECT_TRUE(variable.group == lastGroup || variable.group == lastGroup + 1) << variable.name;
            EXPECT_FALSE(variable.unit.empty()) << variable.name;
            lastGroup = variable.group;
            names.insert(variable.name);
        }
        EXPECT_EQ(lastGroup, groups);
    };
    checkGroups(ZoneVariables(), kZoneOutputGroupCount);
    checkGroups(PlantVariables(), kPlantOutputGroupCount);
    EXPECT_EQ(names.size(), static_cast<size_t>(kZoneVariableCount + kPlantVariableCount));

    for (int32_t fuel = 1; fuel <= EnergySlot::kFuelCount; ++fuel) {
        EXPECT_GT(EnergySlot::GainsFuelUse(fuel), EnergySlot::kChillerOutput);
        EXPECT_LT(EnergySlot::GainsFuelUse(fuel), EnergySlot::kFanElectricity);
    }
}

// A cleared row starts again from nothing, and positions outside the row
// read as unset.
TEST(ResultVariables, AClearedRowStartsAgainFromNothing) {
    ZoneStepValues values;
    values.Set(ZoneVariable::FabricHeatFlow, -2.5f);
    values.Clear();
    EXPECT_FALSE(values.IsSet(static_cast<int32_t>(ZoneVariable::FabricHeatFlow)));
    values.Add(ZoneVariable::Heating, 1.0f);  // a cleared position starts from 0
    EXPECT_FLOAT_EQ(values.Value(static_cast<int32_t>(ZoneVariable::Heating)), 1.0f);
    EXPECT_FALSE(values.IsSet(0));
    EXPECT_FALSE(values.IsSet(55));
}

// The cells of the table rows of one section of docs/results.md, by position.
std::map<int32_t, std::vector<std::string>> DocumentedRows(const std::string& heading) {
    std::ifstream file(std::string(KZ7_SOURCE_DIR) + "/docs/results.md");
    std::map<int32_t, std::vector<std::string>> rows;
    std::string line;
    bool inSection = false;
    while (std::getline(file, line)) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## " + heading;
        if (!inSection || line.rfind("| ", 0) != 0) continue;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(Trim(cell));
        if (cells.empty() || cells[0].empty() ||
            !std::isdigit(static_cast<unsigned char>(cells[0][0])))
            continue;
        rows[std::stoi(cells[0])] = cells;
    }
    return rows;
}

// Cells of a documented row: position, name, unit, then aggregation and group
// (zone variables) or group and energy store slot (plant values).
TEST(ResultVariables, TheHostDocumentationListsEveryVariableAsTheCodeDoes) {
    auto check = [](const std::string& heading, const auto& variables, size_t count, auto expected) {
        const auto rows = DocumentedRows(heading);
        ASSERT_EQ(rows.size(), count) << heading;
        for (const auto& variable : variables) {
            const auto row = rows.find(variable.position);
            ASSERT_NE(row, rows.end()) << variable.position;
            ASSERT_GE(row->second.size(), 5u) << variable.position;
            const std::vector<std::string> cells(row->second.begin(), row->second.begin() + 5);
            EXPECT_EQ(cells, expected(variable)) << variable.name;
        }
    };
    check("Zone variables", ZoneVariables(), kZoneVariableCount, [](const ZoneVariableInfo& v) {
        return std::vector<std::string>{std::to_string(v.position), std::string(v.name), std::string(v.unit),
                                        std::string(1, static_cast<char>(v.aggregation)), std::to_string(v.group)};
    });
    check("Plant values", PlantVariables(), kPlantVariableCount, [](const PlantVariableInfo& v) {
        std::string slot = "slot 29 + max(B, 6) + " + std::to_string(v.item);
        if (v.source == PlantSource::Slot) slot = "slot " + std::to_string(v.item);
        if (v.source == PlantSource::BoilerFuel) slot = "slot " + std::to_string(EnergySlot::BoilerFuel(v.item));
        return std::vector<std::string>{std::to_string(v.position), std::string(v.name), std::string(v.unit),
                                        std::to_string(v.group), slot};
    });
}

}  // namespace
}  // namespace kz7
