// The host's shading records, how a model loaded with them answers the
// engine's shading events, and what an overhang does to a year of the test cell.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "HostShading.h"
#include "ModelFile.h"
#include "ResultDatabaseFixture.h"
#include "ShadingCalculator.h"
#include "ShadingRecords.h"
#include "SimulateCommand.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/input/LineReader.h"

namespace kz7::app {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
const std::string kSupport = KZ7_SOURCE_DIR "/support";

ShadingPlanes Read(const std::string& text, std::vector<std::string>* problems = nullptr) {
    LineReader reader;
    reader.OpenText(text, "m.kz7");
    return ReadShadingRecords(reader, [problems](const std::string& problem) {
        if (problems) problems->push_back(problem);
    });
}

// The direct factor of `plane` with the sun at `altitude`, `azimuth` (degrees).
float Direct(HostShading& shading, int32_t plane, double altitude, double azimuth) {
    shading.SetSunPosition(static_cast<float>(altitude * kDegree), static_cast<float>(azimuth * kDegree));
    float direct = -1.0f, diffuse = -1.0f;
    shading.Factors(plane, direct, diffuse);
    return direct;
}

// The south windows of a 8 m × 6 m cell (x east, y north, z up) under a 1 m
// overhang along the whole south wall at 2.7 m, given three ways: relative to
// each window, through the window's corners, and as one polygon in building
// coordinates for every plane.
const char* kOverhangThreeWays =
    "ShadingPlane,1,180,90,3,2,0.5,0,0.2\n"
    "ShadingOverhang,1,1,0.5,0.5,4.5\n"
    "ShadingPlaneCorners,2,0.5,0,0.2,3.5,0,0.2,3.5,0,2.2,0.5,0,2.2\n"
    "ShadingPlane,3,180,90,3,2,0.5,0,0.2\n"
    "ShadingPolygon,*,0,0,2.7,8,0,2.7,8,-1,2.7,0,-1,2.7\n";

TEST(HostShadingTest, OneOverhangGivenThreeWaysShadesAlike) {
    std::vector<std::string> problems;
    ShadingPlanes planes = Read(kOverhangThreeWays, &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    ASSERT_EQ(planes.size(), 3u);
    EXPECT_EQ(planes.at(1).surfaces.size(), 2u);  // its overhang and the polygon, which coincide
    EXPECT_NEAR(planes.at(2).OrientationDegrees(), 180.0, 1e-9);
    EXPECT_NEAR(planes.at(2).SlopeDegrees(), 90.0, 1e-9);
    HostShading shading(std::move(planes));
    for (const double altitude : {20.0, 50.0, 70.0}) {
        for (const double azimuth : {120.0, 180.0, 250.0}) {
            const float one = Direct(shading, 1, altitude, azimuth);
            EXPECT_NEAR(Direct(shading, 2, altitude, azimuth), one, 1e-6);
            EXPECT_NEAR(Direct(shading, 3, altitude, azimuth), one, 1e-6);
        }
    }
    // High summer sun at noon: more than the 2 m window lies under the shadow.
    EXPECT_EQ(Direct(shading, 1, 73.0, 180.0), 0.0f);
    EXPECT_NEAR(shading.DiffuseFactor(2), shading.DiffuseFactor(3), 1e-12);
    // A plane nobody gave stays unshaded.
    float direct = 0.3f, diffuse = 0.3f;
    shading.Factors(9, direct, diffuse);
    EXPECT_EQ(direct, 1.0f);
    EXPECT_EQ(diffuse, 1.0f);
}

TEST(HostShadingTest, PlanesFarApartOrFacingApartAnswerAsOnTheirOwn) {
    // Indices too far apart for a lookup table; a north window like the south
    // one, which takes over its diffuse factor rather than working it out, and
    // a tilted one, which sees another sky.
    const ShadingPlanes planes = Read(
        "ShadingPlane,1,180,90,3,2\nShadingOverhang,1,1,0.5,0.5,0.5\n"
        "ShadingPlane,3,180,45,3,2\nShadingOverhang,3,1,0.5,0.5,0.5\n"
        "ShadingPlane,2000000000,0,90,3,2\nShadingOverhang,2000000000,1,0.5,0.5,0.5\n");
    ASSERT_EQ(planes.size(), 3u);
    HostShading shading(planes);
    for (const auto& [index, plane] : planes) {
        const ShadingCalculator alone(plane);
        EXPECT_EQ(shading.DiffuseFactor(index), alone.SkyShare());
        const double azimuth = plane.OrientationDegrees() + 30.0;
        const float altitude = static_cast<float>(40.0 * kDegree), towards = static_cast<float>(azimuth * kDegree);
        EXPECT_EQ(Direct(shading, index, 40.0, azimuth),
                  static_cast<float>(alone.SunlitShare(plane.DirectionToLocal(SunDirection(altitude, towards)))));
    }
    EXPECT_LT(shading.DiffuseFactor(1), 1.0);
    float direct = 0.3f, diffuse = 0.3f;
    shading.Factors(1000, direct, diffuse);
    EXPECT_EQ(direct, 1.0f);
    EXPECT_EQ(diffuse, 1.0f);
}

TEST(HostShadingTest, BadRecordsAreReportedWithTheirLineAndLeftOut) {
    std::vector<std::string> problems;
    const ShadingPlanes planes = Read(
        "ShadingPlane,1,180,90,3,2\n"
        "ShadingPlane,1,90,90,3,2\n"                       // 2: given twice
        "ShadingPlane,-2,180,90,3,2\n"                     // 3
        "ShadingPlane,4,180,200,3,2\n"                     // 4: slope
        "ShadingPlane,5,180,90,0,2\n"                      // 5: no width
        "ShadingPlane,6,180,nan,3,2\n"                     // 6
        "ShadingPlane,7,180,90,3\n"                        // 7: a field short
        "ShadingPlaneCorners,8,0,0,0,3,0,0,3,0,2,0.5,0,2\n"  // 8: no rectangle
        "ShadingOverhang,1,0,0.5,0,0\n"                    // 9: no depth
        "ShadingOverhang,3,1,0.5,0,0\n"                    // 10: no plane 3
        "ShadingFin,1,Up,1,0,0,0\n"                        // 11
        "ShadingOverhang,1,1,0.5,-2,-2\n"                  // 12: no length
        "ShadingPolygon,1,0,0,1,1,0,1,1,1,1,0,1,3\n"       // 13: not flat
        "ShadingPolygon,1,0,-1,1,2,-1,2,2,-1,1,0,-1,3\n"   // 14: edges cross
        "ShadingPolygon,1,0,0,1,1,0,1\n"                   // 15: two points
        "ShadingPolygon,1,0,2,1,1,2,1,1,3,1\n"             // 16: behind the plane
        "ShadingFin,1,Left,1e300,0,0,0\n"                  // 17
        "ShadingFin,1,Right,1,0,0.5,0.2\n",                // 18: good
        &problems);
    ASSERT_EQ(planes.size(), 1u);
    EXPECT_EQ(planes.at(1).OrientationDegrees(), 180.0);
    EXPECT_EQ(planes.at(1).surfaces.size(), 1u);
    const std::vector<std::string> expected{
        "m.kz7 line 2: ShadingPlane: plane 1 is already given at line 1",
        "m.kz7 line 3: ShadingPlane: the plane \"-2\" is not a whole number",
        "m.kz7 line 4: ShadingPlane: the slope must lie from 0 to 180°",
        "m.kz7 line 5: ShadingPlane: the width must be above 0",
        "m.kz7 line 6: ShadingPlane: the slope \"nan\" is not a number",
        "m.kz7 line 7: ShadingPlane: it needs 5 fields after the keyword (or 8), not 4",
        "m.kz7 line 8: ShadingPlaneCorners: the four corners do not form a rectangle",
        "m.kz7 line 9: ShadingOverhang: the depth must be above 0",
        "m.kz7 line 10: ShadingOverhang: no ShadingPlane or ShadingPlaneCorners record gives plane 3",
        "m.kz7 line 11: ShadingFin: the side \"Up\" is neither Left nor Right",
        "m.kz7 line 12: ShadingOverhang: the overhang has no length",
        "m.kz7 line 13: ShadingPolygon: the polygon is not flat",
        "m.kz7 line 14: ShadingPolygon: the polygon's edges cross or repeat",
        "m.kz7 line 15: ShadingPolygon: it needs a plane and three coordinates",
        "m.kz7 line 16: ShadingPolygon: the polygon lies behind its plane and shades nothing",
        "m.kz7 line 17: ShadingFin: the depth is beyond 100 km"};
    ASSERT_EQ(problems.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(problems[i].rfind(expected[i], 0), 0u) << problems[i];
}

class ShadedCellTest : public ResultDatabaseFixture {
  protected:
    // The example test cell on its weather, heated below 20 °C and cooled above
    // 27 °C by ideal emitters, with `shading` records appended.
    std::string Cell(const std::string& name, const std::string& shading) {
        std::string text = ReadFile(KZ7_SOURCE_DIR "/examples/test-cell.kz7");
        text = ReplaceAll(text, "weather/USA_CO", KZ7_SOURCE_DIR "/examples/weather/USA_CO");
        text = ReplaceAll(text, "*\nZone,1",
                          "Boiler,B\nALWAYS-ON,1,1000,ALWAYS-ON,0,ALWAYS-ON,0,0,0,0\n-\n"
                          "Chiller,C\nALWAYS-ON,0,1000,ALWAYS-ON,0,ALWAYS-ON,0,0,0,0\n-\n"
                          "HeaterDefinition,H\n0,100000,0\n-\nCoolerDefinition,K\n0,100,0\n-\nZone,1");
        text = ReplaceAll(text, "}\n}\n", "}\nHeater\nH,-,20,B\n-\nCooler\nK,-,27,C\n-\n}\n");
        const std::filesystem::path path = folder / name;
        WriteFile(path, text + shading);
        return path.string();
    }

    struct Run {
        std::vector<std::string> records;
        double heating = 0.0, cooling = 0.0;
    };

    // A year of `model` read by LoadModel (or by the control alone), every
    // record's values kept as sent.
    static Run Year(const std::string& model, bool throughLoadModel) {
        EngineState state;
        state.errorHandler = [](const std::string&) {};
        SimulateX control(state);
        control.SetHourlyResults(true);
        if (throughLoadModel) {
            EXPECT_EQ(LoadModel(control, model, kSupport), "");
        } else {
            control.SetSupportFilePath(kSupport);
            control.SetInputFileName(model);
            EXPECT_TRUE(control.ReadInputData());
        }
        Run run;
        control.SaveSSData = [&run](int16_t& interval, int32_t& zone, ValueArray& values, double&) {
            std::string row = std::to_string(interval) + ":" + std::to_string(zone);
            for (const std::string& value : values) row += "," + value;
            run.records.push_back(row);
        };
        control.Simulate();
        return run;
    }

    Run Summed(const std::string& model) {
        ModelRunOptions options;
        options.model = model;
        options.support = kSupport;
        options.db = (folder / (std::filesystem::path(model).stem().string() + ".db")).string();
        options.quiet = true;
        const SimulateResult result = SimulateAndStore(options, Resolution::Hourly);
        EXPECT_EQ(result.exitCode, 0);
        const nlohmann::json building = result.summary->Json()["building"];
        return {{}, building["heating_kwh"].get<double>(), building["cooling_kwh"].get<double>()};
    }
};

TEST_F(ShadedCellTest, WithoutShadingGeometryRunsAreBitForBitAsBefore) {
    const std::string plain = Cell("plain.kz7", "");
    const Run before = Year(plain, false), loaded = Year(plain, true);
    ASSERT_GT(before.records.size(), 8760u);
    EXPECT_EQ(loaded.records, before.records);
    // Shading on, but the only plane is the west wall's, which no window names:
    // the window's factors stay 1 and nothing changes either.
    const Run unshaded = Year(Cell("west.kz7", "ShadingPlane,4,270,90,6,2\n"
                                              "ShadingOverhang,4,1,0.5,0,0\n"),
                              true);
    EXPECT_EQ(unshaded.records, before.records);
}

TEST_F(ShadedCellTest, AMetreOverhangOverTheSouthWindowCutsCoolingAndAddsHeating) {
    const std::string shaded = Cell("overhang.kz7", "ShadingPlane,1,180,90,6,2,1,0,0.2\n"
                                                    "ShadingOverhang,1,1,0.5,1,1\n");
    const Run bare = Summed(Cell("bare.kz7", "")), under = Summed(shaded);
    ASSERT_GT(bare.cooling, 0.0);
    ASSERT_GT(bare.heating, 0.0);
    // In Denver such an overhang keeps nearly all of the May to August beam off
    // the window (at noon the shadow reaches below the sill) but little of the
    // winter's. The cell's cooling, which that window's sun drives, falls by a
    // large share but not all of it; its heating, small against a 12 m² south
    // window's winter sun, rises by the spring and autumn sun and the diffuse
    // light the overhang takes away.
    EXPECT_LT(under.cooling, 0.90 * bare.cooling);
    EXPECT_GT(under.cooling, 0.20 * bare.cooling);
    EXPECT_GT(under.heating, 1.005 * bare.heating);
    EXPECT_LT(under.heating, 1.35 * bare.heating);

    // Inspect lists the shaded example's plane (which reads cleanly:
    // ExampleModelsTest), the plane's two surfaces and its sky share.
    const auto inspect = test::RunKz7("inspect " KZ7_SOURCE_DIR "/examples/shaded-cell.kz7 --support " +
                                      kSupport + " --json");
    ASSERT_EQ(inspect.exitCode, 0) << inspect.error;
    const nlohmann::json model = nlohmann::json::parse(inspect.output);
    const nlohmann::json& plane = model["shadingPlanes"][0];
    EXPECT_EQ(plane["plane"], 1);
    EXPECT_EQ(plane["surfaces"][0]["record"], "ShadingOverhang,1,1,0.5,1,1");
    EXPECT_EQ(plane["surfaces"].size(), 2u);
    // The building opposite rises 7.8 m above the sill 12 m away: alone, an
    // endless one would leave 1 - sin(atan(7.8 / 12)) = 0.45 of the sky; the
    // overhang takes more, the building's ends give a little back.
    EXPECT_GT(plane["diffuseFactor"].get<double>(), 0.3);
    EXPECT_LT(plane["diffuseFactor"].get<double>(), 0.5);
}

}  // namespace
}  // namespace kz7::app
