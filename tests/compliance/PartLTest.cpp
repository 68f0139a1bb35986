#include <gtest/gtest.h>

#include "support/ModelText.h"
#include "kz7/compliance/ConstructionData.h"
#include "kz7/compliance/PartL.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Zone.h"

namespace kz7 {
namespace {

using test::Glazed;
using test::Opaque;
using test::TestEngine;
using test::ZoneText;

double BridgedU(const TestEngine& engine, const char* key) {
    return engine.state.opaqueConstructions->Item(key)->UValueBridged;
}

TEST(PartLTest, OrientationSectorsAndTables) {
    const std::pair<double, int> sectors[] = {{22.5, 0},  {22.6, 1}, {-22.4, 0}, {-22.5, 0},
                                              {67.5, 1},  {67.6, 2}, {180.0, 4}, {337.5, 7},
                                              {337.6, 0}, {400.0, 0}};
    for (const auto& [degrees, sector] : sectors)
        EXPECT_EQ(OrientationSector(degrees), sector) << degrees;
    const double loads[] = {125, 160, 205, 198, 156, 198, 205, 160};
    for (int sector = 0; sector < 8; ++sector) {
        double load = 0.0;
        Zone::SolarLoadTableH1(sector * 45.0, load);
        EXPECT_EQ(load, loads[sector]) << sector;
    }
    EXPECT_EQ(GlazingRatioLimit(0), 50.0);
    EXPECT_EQ(GlazingRatioLimit(4), 40.0);
    EXPECT_EQ(GlazingRatioLimit(6), 32.0);
}

TEST(PartLTest, ModelWithoutHeatedZonesGivesZeros) {
    TestEngine engine;
    ZoneText cold{
        "COLD", "5", {Opaque("W", "WALL", 20, 1, 0, 90)}, {Glazed("G", "GLZ", 4, 1, 0, 90)}};
    ZoneText none{"NONE", "", {Opaque("R", "ROOF", 50, 1, 0, 0)}, {}};
    ASSERT_TRUE(engine.Read({cold, none}));
    double u[9];
    for (double& value : u) value = 99.0;
    engine.control.GetMaxUValues(u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]);
    for (double value : u) EXPECT_EQ(value, 0.0);
    double a[5] = {9, 9, 9, 9, 9};
    engine.control.GetWindowAreas(a[0], a[1], a[2], a[3], a[4]);
    for (double value : a) EXPECT_EQ(value, 0.0);
    EXPECT_EQ(engine.control.GetAverageUValue(), 0.0);
}

TEST(PartLTest, HeatedFromTenDegreesAndTheClockStaysAtTheTestHour) {
    TestEngine engine;
    ZoneText ten{"TEN", "10", {Opaque("W", "WALL", 20, 1, 0, 90)}, {}};
    ZoneText below{"BELOW", "9.99", {Opaque("W", "THIN", 20, 1, 0, 90)}, {}};
    ASSERT_TRUE(engine.Read({ten, below}));
    engine.state.clock.month = 7;
    engine.state.clock.dayType = 6;
    engine.state.clock.decimalHour = 15.5f;
    EXPECT_TRUE(engine.state.zones->Item("TEN").IsHeated());
    EXPECT_FALSE(engine.state.zones->Item("BELOW").IsHeated());
    EXPECT_EQ(engine.state.clock.month, 1);
    EXPECT_EQ(engine.state.clock.dayType, 3);
    EXPECT_EQ(engine.state.clock.decimalHour, 10.0f);

    MaxUValues values;
    engine.state.zones->GetMaxUValues(values);
    EXPECT_DOUBLE_EQ(values.WallsU, BridgedU(engine, "WALL"));  // THIN is worse but unheated
}

TEST(PartLTest, MaxUValuesTakeTheWorstOfEachKind) {
    TestEngine engine;
    ZoneText office{"OFFICE",
                    "21",
                    {Opaque("W", "WALL", 20, 1, 90, 90), Opaque("W", "THIN", 5, 1, 180, 90),
                     Opaque("R", "ROOF", 30, 1, 0, 0), Opaque("R", "THIN", 10, 1, 0, 30),
                     Opaque("S", "FLOOR", 50, 5, 0, 180), Opaque("D", "DOOR", 2, 1, 90, 90),
                     Opaque("C", "ROOF", 20, 3, 0, 0, "LOFT"),
                     Opaque("W", "LEAKY", 8, 3, 0, 90, "WARM"), Opaque("X", "LEAKY", 8, 1, 0, 90)},
                    {Glazed("G", "GLZ", 4, 1, 90, 90), Glazed("L", "RLT", 1, 1, 0, 0)}};
    ZoneText loft{"LOFT", "", {Opaque("F", "ROOF", 20, 3, 0, 180, "OFFICE")}, {}};
    ZoneText warm{"WARM", "20", {Opaque("W", "LEAKY", 8, 3, 0, 90, "OFFICE")}, {}};
    ASSERT_TRUE(engine.Read({office, loft, warm}));

    double u[9];
    engine.control.GetMaxUValues(u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]);
    EXPECT_DOUBLE_EQ(u[0], BridgedU(engine, "ROOF"));  // ceiling under the unheated loft: rafters
    EXPECT_DOUBLE_EQ(u[1], BridgedU(engine, "THIN"));  // pitched roof: joists
    EXPECT_DOUBLE_EQ(u[2], BridgedU(engine, "ROOF"));  // flat roof
    // The leaky wall to a heated zone and the unknown element kind do not count.
    EXPECT_DOUBLE_EQ(u[3], BridgedU(engine, "THIN"));
    EXPECT_DOUBLE_EQ(u[4], BridgedU(engine, "FLOOR"));
    EXPECT_DOUBLE_EQ(u[5], 1.6f);
    EXPECT_EQ(u[6], 0.0);  // wood frames: never reported
    EXPECT_DOUBLE_EQ(u[7], 2.2f);
    EXPECT_DOUBLE_EQ(u[8], BridgedU(engine, "DOOR"));
    EXPECT_GT(BridgedU(engine, "LEAKY"), BridgedU(engine, "THIN"));
}

TEST(PartLTest, WindowAreasAndAverageUValue) {
    TestEngine engine;
    ZoneText office{
        "OFFICE",
        "21",
        {Opaque("W", "WALL", 20, 1, 90, 90), Opaque("R", "ROOF", 30, 1, 0, 0),
         Opaque("D", "DOOR", 2, 1, 90, 90), Opaque("W", "THIN", 6, 3, 0, 90, "STORE"),
         Opaque("W", "THIN", 7, 3, 0, 90, "WARM"), Opaque("W", "THIN", 9, 3, 0, 90, "NOWHERE"),
         Opaque("S", "FLOOR", 50, 5, 0, 180)},
        {Glazed("G", "GLZ", 4, 1, 90, 90), Glazed("L", "RLT", 1, 1, 0, 0),
         Glazed("G", "GLZ", 3, 3, 0, 90, "STORE")}};
    ZoneText store{"STORE", "", {Opaque("W", "THIN", 6, 3, 180, 90, "OFFICE")}, {}};
    ZoneText warm{"WARM", "20", {Opaque("W", "THIN", 7, 3, 180, 90, "OFFICE")}, {}};
    ASSERT_TRUE(engine.Read({office, store, warm}));

    double window = 0, rooflight = 0, wall = 0, roof = 0, shop = 9;
    engine.control.GetWindowAreas(window, rooflight, wall, roof, shop);
    EXPECT_DOUBLE_EQ(window, 4 + 2 + 3);  // glazing, the door, glazing to the unheated store
    EXPECT_DOUBLE_EQ(rooflight, 1);
    EXPECT_DOUBLE_EQ(wall, 20 + 6);  // the wall to the heated zone and the unknown one do not count
    EXPECT_DOUBLE_EQ(roof, 30);
    EXPECT_EQ(shop, 0.0);
    EXPECT_TRUE(engine.HasError("Null zone"));

    // Outside elements only; glazing at its U-value, the rest bridged.
    const double au = 20 * BridgedU(engine, "WALL") + 30 * BridgedU(engine, "ROOF") +
                      2 * BridgedU(engine, "DOOR") + 4 * 1.6f + 1 * 2.2f;
    EXPECT_NEAR(engine.control.GetAverageUValue(), au / (20 + 30 + 2 + 4 + 1), 1e-12);
}

// Each zone shows one case of the glazing-ratio test.
TEST(PartLTest, GlazingRatioTest) {
    TestEngine engine;
    struct Case {
        ZoneText zone;
        bool passes;
    };
    const auto wall = [](double area, double orientation) { return Opaque("W", "WALL", area, 1, orientation, 90); };
    const auto pane = [](double area, double orientation) { return Glazed("G", "GLZ", area, 1, orientation, 90); };
    const Case cases[] = {
        {{"TWO_WAYS", "", {wall(100, 90)}, {pane(1, 90), pane(1, 180)}}, false},
        {{"WITH_ROOF", "", {wall(100, 90), Opaque("R", "ROOF", 50, 1, 0, 0)}, {pane(1, 90)}}, false},
        {{"EAST_32", "", {wall(68, 90)}, {pane(32, 90)}}, false},  // strictly below the limit
        {{"EAST_31", "", {wall(68.1, 90)}, {pane(31.9, 90)}}, true},
        {{"NORTH_22_5", "", {wall(55, 22.5)}, {pane(45, 22.5)}}, true},  // 45 % < 50 % for north
        {{"NE_22_6", "", {wall(55, 22.6)}, {pane(45, 22.6)}}, false},    // 45 % >= 40 % for north-east
        {{"NO_GLAZING", "", {wall(55, 22.6)}, {}}, true},
        {{"ROOFLIGHTS_9", "", {Opaque("R", "ROOF", 100, 1, 0, 0)}, {Glazed("L", "RLT", 10, 1, 0, 0)}}, true},
        {{"ROOFLIGHTS_13", "", {Opaque("R", "ROOF", 100, 1, 0, 0)}, {Glazed("L", "RLT", 15, 1, 0, 0)}}, false},
        {{"FLAT_NO_ROOF", "", {wall(55, 0)}, {Glazed("G", "GLZ", 1, 1, 0, 0)}}, false},
    };
    std::vector<ZoneText> zones;
    for (const Case& c : cases) zones.push_back(c.zone);
    ASSERT_TRUE(engine.Read(zones));
    for (const Case& c : cases) EXPECT_EQ(engine.state.zones->Item(c.zone.key).PassPartL122(), c.passes) << c.zone.key;
    EXPECT_FALSE(engine.control.PassPartL122());
}

TEST(PartLTest, SolarLoadTest) {
    TestEngine engine;
    // North vertical glazing: 125 W/m² × 0.7 × 2 m² / 7 m² = 25 W/m² exactly.
    ZoneText exact{"EXACT", "", {}, {Glazed("G", "GLZ", 2, 1, 0, 90)}};
    exact.perimeterArea = 7;
    ZoneText over{"OVER", "", {}, {Glazed("G", "GLZ", 2.01, 1, 0, 90)}};
    over.perimeterArea = 7;
    // A 20 % frame and a horizontal pane at 327 W/m²: 0.8 × 0.7 × 327 × 1 / 10.
    ZoneText flat{"FLAT", "", {}, {Glazed("G", "FRAMED", 1, 1, 0, 0)}};
    ZoneText noPerimeter{"NO_PERIMETER", "", {}, {Glazed("G", "GLZ", 1, 1, 0, 90)}};
    noPerimeter.perimeterArea = 0;
    ZoneText opaqueOnly{"OPAQUE_ONLY", "", {Opaque("W", "WALL", 10, 1, 0, 90)}, {}};
    opaqueOnly.perimeterArea = 0;
    ASSERT_TRUE(engine.Read({exact, over, flat, noPerimeter, opaqueOnly}));

    Zones& zones = *engine.state.zones;
    EXPECT_TRUE(zones.Item("EXACT").PassPartLAppendixH());
    EXPECT_EQ(zones.Item("EXACT").SolarLoad, 25.0f);
    EXPECT_FALSE(zones.Item("OVER").PassPartLAppendixH());
    EXPECT_TRUE(zones.Item("FLAT").PassPartLAppendixH());
    EXPECT_NEAR(zones.Item("FLAT").SolarLoad, 0.8 * 0.7 * 327.0 / 10.0, 1e-4);
    EXPECT_FALSE(zones.Item("NO_PERIMETER").PassPartLAppendixH());
    EXPECT_TRUE(engine.HasError("NO_PERIMETER"));
    EXPECT_TRUE(zones.Item("OPAQUE_ONLY").PassPartLAppendixH());
    EXPECT_FALSE(engine.control.PassPartLAppendixH());
}

// The louvres of the solar-load test are read at the queries' fixed hour, so
// the answer does not hang on the clock an earlier query left; the test
// itself leaves the clock as it found it.
TEST(PartLTest, SolarLoadTestDoesNotDependOnTheQueryBefore) {
    struct Answer {
        bool passes;
        float load;
    };
    auto solarLoad = [](bool heatedTestFirst) {
        TestEngine engine;
        engine.control.SetSupportFilePath(KZ7_SOURCE_DIR "/support");
        engine.control.SetInputFileName(KZ7_SOURCE_DIR "/examples/office.kz7");
        EXPECT_TRUE(engine.control.ReadInputData());
        if (heatedTestFirst) {
            MaxUValues values;
            engine.state.zones->GetMaxUValues(values);
        }
        const RunClock before = engine.state.clock;
        const bool passes = engine.control.PassPartLAppendixH();
        const RunClock& after = engine.state.clock;
        EXPECT_EQ(after.decimalHour, before.decimalHour);
        EXPECT_EQ(after.dayType, before.dayType);
        EXPECT_EQ(after.month, before.month);
        return Answer{passes, engine.state.zones->Item("Z1").SolarLoad};
    };
    const Answer straight = solarLoad(false);
    const Answer afterHeatedTest = solarLoad(true);
    EXPECT_EQ(straight.passes, afterHeatedTest.passes);
    EXPECT_EQ(straight.load, afterHeatedTest.load);
    EXPECT_GT(straight.load, 0.0f);
}

TEST(PartLTest, ConstructionDataQueries) {
    TestEngine engine;
    const std::string model = test::kLibrary;
    float u = -1, hco = -1, rado = -1, sro = -1, hci = -1, radi = -1, sri = -1;
    // Constructions are kept newest first: WALL, read first, is the last.
    ASSERT_TRUE(engine.Read(model));
    const int32_t count = engine.state.opaqueConstructions->Count();
    engine.control.GetConstructionData(model, count, u, hco, rado, sro, hci, radi, sri);
    const OpaqueConstruction& wall = *engine.state.opaqueConstructions->Item("WALL");
    EXPECT_FLOAT_EQ(u, static_cast<float>(wall.UValue));
    EXPECT_NEAR(1.0 / u, 0.2 / 0.77 + wall.SROut + wall.SRIn, 1e-5);
    EXPECT_FLOAT_EQ(sro, static_cast<float>(wall.SROut));
    EXPECT_FLOAT_EQ(hci, wall.HCI);

    double d[11];
    for (double& value : d) value = -7.0;
    engine.control.GetConstructionDataDouble(model, count, d[0], d[1], d[2], d[3], d[4], d[5], d[6],
                                             d[7], d[8], d[9], d[10]);
    EXPECT_DOUBLE_EQ(d[0], 1.0 / d[1]);
    EXPECT_NEAR(d[9], 0.2, 1e-7);
    EXPECT_DOUBLE_EQ(d[10], engine.state.opaqueConstructions->Item("WALL")->CM);

    // No construction at the position: zeros (single), untouched (double), a message each.
    engine.messages.clear();
    engine.control.GetConstructionData(model, count + 1, u, hco, rado, sro, hci, radi, sri);
    EXPECT_EQ(u, 0.0f);
    EXPECT_EQ(sri, 0.0f);
    for (double& value : d) value = -7.0;
    engine.control.GetConstructionDataDouble(model, 0, d[0], d[1], d[2], d[3], d[4], d[5], d[6],
                                             d[7], d[8], d[9], d[10]);
    for (double value : d) EXPECT_EQ(value, -7.0);
    int noConstruction = 0;
    for (const std::string& message : engine.messages)
        noConstruction +=
            message.find("No opaque construction at position") != std::string::npos ? 1 : 0;
    EXPECT_EQ(noConstruction, 2);
}

}  // namespace
}  // namespace kz7
