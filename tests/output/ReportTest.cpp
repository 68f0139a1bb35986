#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "compliance/ModelText.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {
namespace {

using test::TestEngine;
using Line = std::vector<std::string>;

// A strict reader of the report's lines: every field quoted, quotes inside
// doubled, fields joined by `separator`. Empty when a line breaks the rules.
std::optional<std::vector<Line>> ParseCsv(const std::string& text, char separator) {
    std::vector<Line> lines;
    std::istringstream input(text);
    std::string raw;
    while (std::getline(input, raw)) {
        Line fields;
        size_t i = 0;
        while (i < raw.size()) {
            if (raw[i] != '"') return std::nullopt;
            std::string field;
            for (++i;; ++i) {
                if (i >= raw.size()) return std::nullopt;
                if (raw[i] == '"') {
                    if (i + 1 < raw.size() && raw[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += raw[i];
            }
            fields.push_back(field);
            if (i == raw.size()) break;
            if (raw[i] != separator) return std::nullopt;
            ++i;
            if (i == raw.size()) fields.emplace_back();  // a heading's closing separator
        }
        lines.push_back(fields);
    }
    return lines;
}

const std::string kOffice = std::string(KZ7_TEST_DATA) + "/report/office.kz7";

struct ReportRun {
    TestEngine engine;
    std::string text;
    std::vector<Line> lines;

    explicit ReportRun(int32_t type, bool costs = false, char separator = ',',
                       const std::string& model = kOffice, const std::string& support = "") {
        engine.control.SetSupportFilePath(support);
        engine.control.SetInputFileName(model);
        EXPECT_TRUE(engine.control.ReadInputData());
        Generate(type, costs, separator);
    }
    void Generate(int32_t type, bool costs, char separator = ',') {
        engine.control.SetReportType(type);
        engine.control.SetIncludeCostOutputs(costs);
        engine.state.settings.listSeparator = separator;
        engine.control.StandardReport();
        text = test::ReadFile(engine.control.CSVReportFilename());
        auto parsed = ParseCsv(text, separator);
        EXPECT_TRUE(parsed.has_value()) << text;
        lines = parsed.value_or(std::vector<Line>{});
    }
    bool Has(const std::string& first) const { return Find(first) != nullptr; }
    const Line* Find(const std::string& first, size_t from = 0) const {
        for (size_t i = from; i < lines.size(); ++i)
            if (!lines[i].empty() && lines[i][0] == first) return &lines[i];
        return nullptr;
    }
    // The first field of every line between the line starting `title` and the next blank line.
    std::vector<std::string> TableKeys(const std::string& title) const {
        std::vector<std::string> keys;
        bool inside = false;
        for (const Line& line : lines) {
            if (inside && line.size() == 1 && line[0] == " ") break;
            if (inside) keys.push_back(line[0]);
            if (!line.empty() && line[0] == title) inside = true;
        }
        return keys;
    }
};

// A glazing an element uses is marked used, as an opaque construction is,
// whichever report type is written.
TEST(ReportTest, GlazingThatAnElementUsesIsMarkedUsed) {
    for (int32_t type : {0, 1, 3}) {
        ReportRun run(type, false, ',', KZ7_SOURCE_DIR "/examples/office.kz7",
                      KZ7_SOURCE_DIR "/support");
        std::vector<std::string> window;
        for (const Line& line : run.lines)
            if (line.size() > 1 && line[1] == "Double low-e with louvre") window.push_back(line[0]);
        EXPECT_EQ(window, std::vector<std::string>{"GLAZING "}) << "report type " << type;
        // A library glazing that no element names stays unused.
        EXPECT_TRUE(run.Has("Glazing ")) << "report type " << type;
    }
}

TEST(ReportTest, ReportTypesChooseTheSections) {
    // With ";": every line keeps the quoting rules (ParseCsv), headings close
    // with the separator, and no "," appears.
    ReportRun run(0, false, ';');
    int headings = 0;
    for (const Line& line : run.lines)
        if (!line.empty() && (line[0] == "Keyword" || line[0] == "Element") && line.back().empty()) ++headings;
    EXPECT_EQ(headings, 4);  // constructions, glazing, the elements of each zone
    EXPECT_EQ(run.text.find(','), std::string::npos);
    for (const char* table :
         {"Keyword", "Building Data", "Activity Area Summary", "Zone", "Element"})
        EXPECT_TRUE(run.Has(table)) << table;
    EXPECT_EQ(run.lines[0][0], "VL report");
    EXPECT_FALSE(run.Has("EMBODIED CARBON DATA"));
    EXPECT_FALSE(run.Has("COST DATA"));

    run.Generate(1, false);
    EXPECT_TRUE(run.Has("EMBODIED CARBON DATA"));
    EXPECT_FALSE(run.Has("COST DATA"));

    run.Generate(2, true);
    EXPECT_TRUE(run.Has("EMBODIED CARBON DATA"));
    EXPECT_TRUE(run.Has("COST DATA"));
    EXPECT_TRUE(run.Has("Building Total Cost (GBP)"));

    run.Generate(3, true);
    EXPECT_EQ(run.lines[0][0], "Veloran CasaClima Interface");
    EXPECT_FALSE(run.Has("EMBODIED CARBON DATA"));
    EXPECT_FALSE(run.Has("Building Data"));
    EXPECT_EQ(run.TableKeys("Description"), (std::vector<std::string>{"Office", "Store"}));
    // The window of the office sits on its east wall, the first opaque element.
    const Line* window = run.Find("Glazing");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ((*window)[3], "1");
}

// Every construction is listed with its values; unused ones ("Construction ",
// like SPARE) only in the constructions table; their carbon adds up.
TEST(ReportTest, ConstructionsTableMatchesTheModelAndItsCarbonAddsUp) {
    ReportRun run(1, true);
    const EngineState& state = run.engine.state;
    int rows = 0;
    for (const Line& line : run.lines) {
        if (line.size() != 5 || (line[0] != "CONSTRUCTION " && line[0] != "Construction ")) continue;
        const OpaqueConstruction* construction = state.opaqueConstructions->Item(line[1]);
        ASSERT_NE(construction, nullptr) << line[1];
        EXPECT_EQ(line[2], FormatPattern(construction->UValueBridged, "0.000"));
        EXPECT_EQ(line[3], FormatPattern(construction->CM, "0.00"));
        EXPECT_EQ(line[4], FormatPattern(construction->CostPerArea, "0.00"));
        EXPECT_EQ(line[0] == "CONSTRUCTION ", construction->IsUsed) << line[1];
        EXPECT_EQ(construction->IsUsed, line[1] != "SPARE") << line[1];
        ++rows;
    }
    EXPECT_EQ(rows, state.opaqueConstructions->Count());
    for (const char* table :
         {"Constructions Embodied Carbon and Inventory", "Super Structure Cost"}) {
        const std::vector<std::string> keys = run.TableKeys(table);
        EXPECT_EQ(keys, (std::vector<std::string>{"FLOOR", "WALL", "Sub Total"})) << table;
    }
    // Plasterboard is used by the wall only; copper-free office: three materials.
    EXPECT_EQ(run.TableKeys("Materials Embodied Carbon and Inventory"),
              (std::vector<std::string>{"PB", "INS", "BRK", "Sub Total"}));

    // Carbon from the layers adds up over constructions and materials. Brick
    // 0.1 m × 1700 × 0.2 + wool 0.1 × 30 × 1.2 + board 0.0125 × 700 × 0.1 per m².
    const OpaqueConstruction& wall = *state.opaqueConstructions->Item("WALL");
    EXPECT_NEAR(wall.EmbodiedCO2, 34.0 + 3.6 + 0.875, 1e-4);
    EXPECT_TRUE(wall.CO2Available);
    EXPECT_FALSE(wall.CO2EAvailable);  // the board gives no equivalent figure

    double constructions = 0.0, materials = 0.0;
    for (const OpaqueConstruction& c : *state.opaqueConstructions)
        constructions += c.TotalEmbodiedCO2;
    for (const OpaqueMaterial& m : *state.opaqueMaterials) materials += m.TotalEmbodiedCO2;
    EXPECT_NEAR(materials, constructions, 1e-3 * constructions);

    // The building adds the glazing (25 kg/m² × 4 m²) and the shading devices (2 × 5 + 10 × 1).
    EXPECT_NEAR(run.engine.control.TotalBuildingCarbon(), constructions + 100.0 + 20.0, 1e-3);
    const Line* total = run.Find("Building");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ((*total)[1], FormatPattern(run.engine.control.TotalBuildingCarbon(), "0.00"));
}

TEST(ReportTest, CostsFollowTheRateAndTheCurrency) {
    ReportRun run(1, true);
    SimulateX& control = run.engine.control;
    const double total = control.TotalBuildingCost();
    EXPECT_DOUBLE_EQ(control.TotalStructureCost(), 70 * 100.0);  // floor area × rate per m²
    EXPECT_DOUBLE_EQ(control.TotalSubStructureCost(), 50 * 30.0);
    EXPECT_DOUBLE_EQ(control.TotalRenewablesCost(), 9800.0);
    EXPECT_DOUBLE_EQ(control.GlazingCost(), 4 * 300.0 + 2 * 100.0 + 10 * 40.0);
    EXPECT_DOUBLE_EQ(total, control.TotalStructureCost() + control.TotalHVACCost() +
                                control.TotalLightingCost() + control.TotalSubStructureCost() +
                                control.SuperStructureCost() + control.GlazingCost() +
                                control.TotalRenewablesCost() + control.TotalSurfaceFinishCost());
    EXPECT_EQ((*run.Find("Building Total Cost (GBP)"))[1], FormatPattern(total, "0"));

    control.SetGBPConversionRate(2.0);
    control.SetCurrencyCode("EUR");
    EXPECT_DOUBLE_EQ(control.TotalBuildingCost(), 2.0 * total);
    EXPECT_DOUBLE_EQ(control.TotalRenewablesCost(), 2.0 * 9800.0);
    run.Generate(1, true);
    EXPECT_TRUE(run.Has("Building Total Cost (EUR)"));
    const Line* structure = run.Find("Structure Costs");
    ASSERT_NE(structure, nullptr);
    EXPECT_EQ((*structure)[2], "Cost (EUR)");
    EXPECT_EQ((*run.Find("Structure"))[2], "14000.00");
}

TEST(ReportTest, SizeLinesCountTheLinesOfTheirTables) {
    ReportRun run(1, false);
    run.engine.control.SetIncludeTableSizeHeaderReports(true);
    run.Generate(1, true);
    int tables = 0;
    for (size_t i = 0; i < run.lines.size(); ++i) {
        const std::string& first = run.lines[i][0];
        if (first.rfind("Table: ", 0) != 0) continue;
        ++tables;
        const int rows = std::stoi(first.substr(7));
        size_t end = i + 1;
        while (end < run.lines.size() && run.lines[end][0] != " ") ++end;
        const int written = static_cast<int>(end - i - 1);
        // Each table: heading line + rows (+ Sub Total); the building total cost is one line.
        EXPECT_EQ(written, rows) << first << " at line " << i;
    }
    EXPECT_EQ(tables, 13);
}

TEST(ReportTest, EachReportIsANewFileAndAFailedOneLeavesNoName) {
    ReportRun run(0);
    const std::string first = run.engine.control.CSVReportFilename();
    run.Generate(0, false);
    const std::string second = run.engine.control.CSVReportFilename();
    EXPECT_NE(first, second);
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));

    run.engine.state.settings.temporaryFolder = (run.engine.folder / "missing" / "folder").string();
    EXPECT_THROW(run.engine.control.StandardReport(), std::runtime_error);
    EXPECT_TRUE(run.engine.control.CSVReportFilename().empty());
}

TEST(ReportTest, CostRecordsAreCheckedAndClearedWithTheModel) {
    TestEngine engine;
    ASSERT_TRUE(engine.Read(std::string(test::kLibrary) +
                            "ShadingCosts\n2,-100,5,nan,10,40,1,1.5\nEnd\n"
                            "RenewablesCosts\n12,6000,4\n"));
    const ShadingCosts& shading = *engine.state.shadingCosts;
    EXPECT_EQ(shading.LocalShading.CostPerArea, 0.0);
    EXPECT_EQ(shading.LocalShading.CO2EPerArea, 0.0);
    EXPECT_EQ(shading.WindowShading.CostPerArea, 40.0);
    EXPECT_TRUE(engine.HasError("ShadingCosts has an invalid local shading cost"));
    EXPECT_TRUE(engine.HasError("RenewablesCosts is cut off"));
    EXPECT_EQ(engine.state.renewablesCosts->Items[0].Cost, 6000.0);

    ASSERT_TRUE(engine.Read(std::string(test::kLibrary)));
    EXPECT_EQ(engine.state.shadingCosts->WindowShading.CostPerArea, 0.0);
    EXPECT_EQ(engine.control.TotalRenewablesCost(), 0.0);
}

}  // namespace
}  // namespace kz7
