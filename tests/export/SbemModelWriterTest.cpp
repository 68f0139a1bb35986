#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ExportTestSupport.h"
#include "kz7/engine/EngineState.h"
#include "kz7/input/LineReader.h"
#include "kz7/export/SbemModelWriter.h"
#include "kz7/export/SbemResults.h"
#include "kz7/export/SbemSyntax.h"
#include "kz7/export/WriteToFile.h"
#include "kz7/model/Zone.h"

namespace kz7 {
namespace {

using namespace test;

class SbemModelWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path.empty());
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.message.onText = [this](std::string& text) { messages.push_back(text); };
    }
    // The model written as an SBEM input file, with LF line ends for reading.
    std::string Write(const std::string& model) { return Write(state, model); }
    std::string Write(EngineState& state, const std::string& model) {
        ReadModel(state, model);
        clsWriteToFile writer(state);
        writer.lineEnding = LineEnding::Lf;
        writer.allowMergeZones = parameters.AllowMergeZones;
        writer.writerMode = parameters.AllowMergeZones ? WriterMode::SBEMZoneMerging : WriterMode::SBEM;
        writer.Init();
        SbemModelWriter sbem(state, writer, parameters);
        sbem.CollectZones();
        const fs::path file = folder.path / "model.inp";
        EXPECT_TRUE(writer.Open(file.string()));
        sbem.WriteFile("office.vlr");
        EXPECT_TRUE(writer.Close());
        return ReadFile(file);
    }

    TempFolder folder{"kz7-sbem-writer"};
    EngineState state;
    SbemRunParameters parameters;
    std::vector<std::string> errors, messages;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(SbemModelWriterTest, WritesTheRecordsInTheirOrderAndSyntax) {
    parameters.RegsType = 3;  // Scottish: the accreditation number takes its Scottish keyword
    parameters.EPCType = 3;
    parameters.BRSTAGE = 2;
    parameters.ProxyServerURL = "proxy.example";
    parameters.ProxyServerPort = "8080";
    state.settings.useUAT = true;
    const std::string text = Write(SmallModelText(SiteTexts({{26, "CIBSE"}, {39, "New build"}, {41, "no"}})));

    EXPECT_EQ(text.rfind("$ Veloran output from kz7 ", 0), 0u);
    EXPECT_TRUE(Has(text, "\n\n\"SBEM-PROJECT\" = GENERAL\n   B-TYPE = \"T2\"\n   WEATHER = T40\n   P-NAME = \"T1\"\n"));
    EXPECT_TRUE(Has(text, "\n   C-ACCRED-SCHEME = \"CIBSE Certification Limited\"\n"));
    EXPECT_TRUE(Has(text, "\n   C-REG-NUMBER-S = \"T37\"\n"));
    EXPECT_FALSE(Has(text, "C-REG-NUMBER ="));
    EXPECT_TRUE(Has(text, "\n   TRANSACTION-TYPE = \"New build\"\n"));
    EXPECT_TRUE(Has(text, "\n   INTERFACE-VERSION = \"v3.0.0\"\n"));
    EXPECT_TRUE(Has(text, "\n   BUILDING-AREA = 150.00\n   BUILDING-VOLUME = 450.00\n"));
    EXPECT_TRUE(Has(text, "\n   HTTP-PROXY-SERVER = \"proxy.example\"\n   HTTP-PROXY-PORT = 8080\n"));
    EXPECT_TRUE(Has(text, "\n   GAS-AVAILABILITY = NO\n"));
    EXPECT_TRUE(Has(text, "\n   LANDMARK-ENVIRONMENT = uat\n   ..\n"));
    EXPECT_TRUE(messages.empty());

    EXPECT_TRUE(Has(text, "\n\n\"SBEM\" = COMPLIANCE\n   EPC-TYPE = \"EPC Scotland\"\n"
                          "   BR-TYPE = \"Scottish Building Regulations 2010\"\n   BR-STAGE = \"As built\"\n"));
    EXPECT_TRUE(Has(text, "\n   AIR-CON-KW = \"12\"\n"));
    EXPECT_TRUE(Has(text, "\n   SHELL-AND-CORE = YES\n"));
    EXPECT_FALSE(Has(text, "MODULAR-PORTABLE"));
    EXPECT_TRUE(Has(text, "\n\n\"SBEM-REC\" = REC-PROJECT\n   ..\n"));

    // Constructions and glazing exactly as the tool expects them.
    EXPECT_TRUE(Has(text, "\n\n\"External wall\" = CONSTRUCTION\n   TYPE = U_VALUE\n   U-VALUE = 0.350\n"
                          "   CM = { 50.000,50.000 }\n   METAL-CLADDING = YES\n   ..\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Ground floor\" = CONSTRUCTION\n   TYPE = U_VALUE\n   U-VALUE = 0.250\n"
                          "   CM = { 100.000,100.000 }\n   U-VALUE-CORR = YES\n   ..\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Double glazing\" = GLASS\n   U-VALUE      = 2.8\n   TOT-SOL-TRANS = 0.700\n"
                          "   LIG-SOL-TRANS = 0.800\n   ..\n"));

    // Zones with their elements; the partition faces another zone, the
    // infiltration is no SBEM object.
    EXPECT_TRUE(Has(text, "\n\n\"Office\" = ZONE\n   ACTIVITY = \"Office\"\n"));
    EXPECT_TRUE(Has(text, "   HVAC-SYSTEM = \"Heat pump system\"\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Office/W1\" = WALL\n   TYPE = \"Exterior\"\n   AREA = 20.00\n   ORIENTATION = N\n"
                          "   INCLINATION = 90.00\n   CONSTRUCTION = \"External wall\"\n   ..\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Office/F2\" = FLOOR\n   TYPE = \"Underground\"\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Office/W3\" = WALL\n   TYPE = \"Internal\"\n"));
    EXPECT_TRUE(Has(text, "\n\n\"Office/G4\" = WINDOW\n   TYPE = \"Exterior\"\n   AREA = 4.00\n   ORIENTATION = NE\n"));
    EXPECT_FALSE(Has(text, "5\" = "));  // the infiltration (element 5) is not written
    EXPECT_TRUE(Has(text, "\n\n\"Heat pump system\" = HVAC-SYSTEM\n   TYPE = \"Split\"\n   HEAT-SOURCE = \"Heat pump\"\n"));
    EXPECT_TRUE(errors.empty()) << errors.front();

    // Every object is closed, and every line is a header, a property, a
    // closing line, an empty line or the first comment.
    size_t headers = 0, ends = 0;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line == "   ..") {
            ++ends;
        } else if (line[0] == '"') {
            ++headers;
            EXPECT_NE(line.find("\" = "), std::string::npos) << line;
        } else {
            EXPECT_EQ(line.rfind("   ", 0), 0u) << line;
            EXPECT_NE(line.find(" = "), std::string::npos) << line;
        }
    }
    EXPECT_EQ(headers, ends);
}

TEST_F(SbemModelWriterTest, AMissingTransactionTypeIsReported) {
    Write(SmallModelText(SiteTexts({{39, " "}})));
    EXPECT_EQ(messages, std::vector<std::string>{"Invalid or missing data in SBEM input: Transaction type"});
}

// Zones that differ only in their names and multipliers are written once,
// with the summed multiplier; without the permission each is written.
TEST_F(SbemModelWriterTest, IdenticalZonesMergeWhenAllowed) {
    std::string model = SmallModelText();
    const std::string store = "Zone,2\nStore\n50,150,";
    const std::string twin = "Zone,3\nTwin\n50,150,0,1,0,1,Office,2,4,0,5,,3,0,0,0,,0\n0,15.5\n0,25\nSBEMHVAC,H1\n"
                             "OpaqueElements\nW,WALL,15,1,180,90,-1,,0,0,0,0,0,,0\n}\n}\n";
    model += twin;
    ASSERT_NE(model.find(store), std::string::npos);

    parameters.AllowMergeZones = true;
    std::string text = Write(model);
    EXPECT_TRUE(Has(text, "\"Store\" = ZONE\n"));
    EXPECT_FALSE(Has(text, "\"Twin\" = ZONE"));
    EXPECT_FALSE(Has(text, "\"Twin/"));
    EXPECT_TRUE(Has(text, "\n   MULTIPLIER = 3\n"));  // 1 + 2
    EXPECT_TRUE(Has(text, "\"Office\" = ZONE\n"));

    parameters.AllowMergeZones = false;
    EngineState fresh;
    text = Write(fresh, model);
    EXPECT_TRUE(Has(text, "\"Twin\" = ZONE\n"));
    EXPECT_TRUE(Has(text, "\n   MULTIPLIER = 2\n"));
    EXPECT_FALSE(Has(text, "MULTIPLIER = 3"));

    // A huge multiplier is clamped like every integer and sums without wrapping.
    parameters.AllowMergeZones = true;
    EngineState huge;
    text = Write(huge, ReplaceAll(model, "Office,2,4", "Office,3e9,4"));
    EXPECT_TRUE(Has(text, "\"Store\" = ZONE\n"));
    EXPECT_TRUE(Has(text, "\n   MULTIPLIER = 32768\n"));
}

// The site's SBEM objects come after the zones, in their fixed order, and
// refer to each other (and the zones to them) by name.
TEST_F(SbemModelWriterTest, SiteObjectsFollowTheZonesInTheirOrder) {
    std::string model = SmallModelText();
    model += "NCMRecommendations\nEPC-L1,Lighting,Fit LEDs&Comma then controls\n}\n";
    model += "SBEMHVACSystem,H2\n,VAV,Boiler,Gas,Electricity,0.9,3,2,Plate,0.6\n-\n";
    model += "SBEMSolarCollector,SC1\nRoof collector,4,180,35,0.8,3.5,0.015,D1\n-\n";
    model += "SBEMWindGenerators\nTurbine,Suburban,5,12,6\n-\n";
    model += "SBEMCHP\nCHP unit,Natural gas,0.5,0.3,0.4\n-\n";
    model += "SBEMPVS\nArray A,20,Monocrystalline,170,30,Moderately ventilated,None\n}\n";
    model += "SBEMDHWSystem,D1\nHot water,Storage heater,Gas,0.85,300,0.005,1,25\n-\n";
    model += "Zone,3\nWash room\n10,30,0,1,0,2,Toilet,1,4,0,1,,3,0,0,0,,0\n1,20\n0,25\nSBEMDHW,D1,3.5\n"
             "OpaqueElements\nD,WALL,2,1,90,90,-1,Fire door,0,0,0,0,0,,0\n}\n}\n";
    const std::string text = Write(model);
    ASSERT_TRUE(errors.empty()) << errors.front();

    const std::vector<std::string> headers = {
        "\"Wash room\" = ZONE",         "\"Wash room/D1\" = DOOR",   "\"Hot water\" = DHW-GENERATOR",
        "\"Array A\" = PVS",             "\"CHP unit\" = CHP-GENERATOR", "\"Turbine\" = WIND-GENERATOR",
        "\"Roof collector\" = SES",      "\"Heat pump system\" = HVAC-SYSTEM", "\"H2\" = HVAC-SYSTEM",
        "\"EPC-L1\" = REC-USER"};
    size_t at = 0;
    for (const std::string& header : headers) {
        const size_t found = text.find("\n" + header + "\n", at);
        ASSERT_NE(found, std::string::npos) << header << " missing or out of order";
        at = found + 1;
    }
    EXPECT_TRUE(Has(text, "   DHW-GENERATOR = \"Hot water\"\n   DHW-DEMAND = 3.500\n"));
    EXPECT_TRUE(Has(text, "\"Wash room/D1\" = DOOR\n   TYPE = \"Exterior\"\n   AREA = 2.00\n   ORIENTATION = E\n"
                          "   CONSTRUCTION = \"External wall\"\n   DOOR-TYPE = \"Fire door\"\n   ..\n"));
    EXPECT_TRUE(Has(text, "\"Hot water\" = DHW-GENERATOR\n   TYPE = \"Storage heater\"\n   FUEL-TYPE = \"Gas\"\n"
                          "   GEN-SEFF = 0.850\n   STORAGE = YES\n   STORAGE-VOLUME = 300.00\n"
                          "   STORAGE-LOSSES = 0.0050\n   SECONDARY-CIRC = YES\n   CIRC-LENGTH = 25.00\n   ..\n"));
    EXPECT_TRUE(Has(text, "\"Array A\" = PVS\n   TYPE = \"Monocrystalline\"\n   AREA = 20.00\n   ORIENTATION = S\n"));
    EXPECT_TRUE(Has(text, "   BUILDING-HEAT-PERCENT = 40.00\n"));
    EXPECT_TRUE(Has(text, "   ORIENTATION = S\n   INCLINATION = 35.00\n   ZERO-LOSS-EFF = 0.800\n"
                          "   FIRST-ORDER-COEF = 3.500\n   SECOND-ORDER-COEF = 0.0150\n   DHW-GENERATOR = \"Hot water\"\n"));
    EXPECT_TRUE(Has(text, "\"EPC-L1\" = REC-USER\n   CATEGORY = \"Lighting\"\n   TEXT = \"Fit LEDs then controls\"\n"));
}

TEST(SbemSyntaxTest, TextsCannotLeaveTheirQuotesOrLine) {
    EXPECT_EQ(SbemQuoted("a \"b\" it's, x\ny\rz\tw"), "\"a b its x y z w\"");
    EXPECT_EQ(SbemHeader("Zone; $(x)", "ZONE"), "\"Zone; $(x)\" = ZONE");
    // The sector bounds are OrientationSector's; the written files show N, NE, E and S.
    EXPECT_EQ(OrientationLabel(337.5), "NW");
}

TEST(SbemResultsTest, SectionsMonthsAndMissingValues) {
    const SbemSimResults results = SbemSimResults::Parse(
        "REPORT- LD-C Details of Cooling demand for zone: A ,\r\n"
        "Month,Total\r\n"
        "January,1.5\r\n"
        "2,2.5,,\r\n"
        "13,9\r\n"
        "REPORT- LD-C Details of Cooling demand for zone: A\r\n"  // a repeat keeps the first
        "Jan,99\r\n"
        "REPORT- PEPS Project Energy Performance. Primary energy consumption\r\n"
        "Heating,1,2\r\n");
    const auto months = results.ZoneMonths("A");
    ASSERT_TRUE(months.has_value());
    EXPECT_EQ((*months)[0], (ValueArray{"-32768", "1.5", "-32768"}));
    EXPECT_EQ((*months)[1], (ValueArray{"-32768", "2.5", "-32768"}));
    EXPECT_EQ((*months)[11], (ValueArray{"-32768", "-32768", "-32768"}));
    EXPECT_FALSE(results.ZoneMonths("B").has_value());
    EXPECT_EQ(results.PrimaryEnergy(), (ValueArray{"1", "2"}));
    EXPECT_TRUE(SbemSimResults::Parse("").PrimaryEnergy().empty());
    EXPECT_FALSE(SbemSimResults::Load("/nonexistent/model_sim.csv").has_value());
}

}  // namespace
}  // namespace kz7
