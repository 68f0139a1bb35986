#include <gtest/gtest.h>

#include "kz7/engine/EngineState.h"
#include "kz7/input/Errors.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/input/Site.h"
#include "kz7/model/Building.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Zone.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

class SiteTest : public ::testing::Test {
  protected:
    SiteTest() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    void Read(const std::string& text) {
        state.reader.OpenText(text, "model.kz7");
        state.site->Read(XmlElement(), XmlElement());
        state.reader.Close();
    }

    EngineState state;
    std::vector<std::string> errors;
};

// Comment lines are the line reader's (LineReaderTest); a blank before "*"
// makes an unknown keyword, skipped like any other.
TEST_F(SiteTest, UnknownKeywordsAreSkippedAndAnEmptyFirstFieldEndsTheRead) {
    Read(" *Note,x\nNoSuchRecord,1\nBuilding,\nB1,\nEnd\n");
    EXPECT_EQ(state.building->Key, "B1");
    // Reported once: the unknown record's own lines follow its keyword.
    EXPECT_EQ(errors, std::vector<std::string>{"Record \"*Note\" at line 1 of model.kz7: the "
                                               "keyword \"*Note\" is not known; the record is "
                                               "skipped"});
    Read("Building\nB2\nEnd\n,after\nBuilding\nB3\nEnd\n");
    EXPECT_EQ(state.building->Key, "B2");
}

// A description line is read whole: commas join its fields with one blank.
TEST_F(SiteTest, DescriptionLinesAreReadWhole) {
    test::ZoneText zone;
    zone.opaque = test::Opaque("W", "C1", 10, 1, 0, 90);
    std::string zoneText = zone.Text();
    zoneText.replace(zoneText.find("Zone 1\n"), 6, "Office, north ,east,");
    Read(
        "OpaqueMaterial,M1\nCavity \"wall\", insulated\nMasonry,0.77,800,1700\n-\n"
        "OpaqueConstruction,C1\nO'Brien's,wall\nW,1,0.7,0.9,0.9,0,0,0\nM1,0.2,0,\n-\n"
        "GlazedConstruction,G1\nLow-e, "
        "\"argon\"\nEW,1.6,2,0,0.84,0.84,0,0,0.6,0.5,0.7,,25,300\n-\n" +
        zoneText);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(state.opaqueMaterials->Item("M1")->Description, "Cavity wall insulated");
    EXPECT_EQ(state.opaqueConstructions->Item("C1")->Description, "OBriens wall");
    EXPECT_EQ(state.glazedConstructions->Item("G1")->Description, "Low-e argon");
    EXPECT_EQ(state.zones->Item("1").Description, "Office north east");
    EXPECT_EQ(state.opaqueConstructions->Item("C1")->TYP, "W");  // the next line is the next line
}

TEST_F(SiteTest, AMissingClosingLineCostsTheNextRecord) {
    Read("Building\nB1\nSimulationOptions\n20,1,1,31,12,18,0,0.5\nEnd\nBuilding\nB2\nEnd\n");
    // "SimulationOptions" closed the building; its data line is passed over.
    EXPECT_EQ(state.clock.timeStep, 60);
    EXPECT_EQ(state.building->Key, "B2");
    // The loss is reported at the swallowed keyword line; a closing line
    // that only looks like a keyword in another case is not.
    EXPECT_EQ(errors,
              std::vector<std::string>{"Record \"Building\" at line 3 of model.kz7: its closing "
                                       "line is the keyword \"SimulationOptions\"; that record is "
                                       "skipped"});
    errors.clear();
    Read("Building,\nB1\nbuilding,x\n");
    EXPECT_TRUE(errors.empty());
}

TEST_F(SiteTest, SimulationOptionsSetTheClock) {
    Read("SimulationOptions\n15,2,3,30,11,21.5,0.25,0.5\nEnd\n");
    const RunClock& clock = state.clock;
    EXPECT_EQ(clock.timeStep, 15);
    EXPECT_EQ(clock.timeStepSeconds, 900.0);
    EXPECT_EQ(clock.period.startDay, 2);
    EXPECT_EQ(clock.period.startMonth, 3);
    EXPECT_EQ(clock.period.endDay, 30);
    EXPECT_EQ(clock.period.endMonth, 11);
    EXPECT_EQ(clock.initialTemperature, 21.5f);
    EXPECT_EQ(state.settings.emitterControlValue, 0.25f);
    EXPECT_EQ(state.settings.resultStoreValue, 0.5f);
}

TEST_F(SiteTest, HostOutputFlagsForceTheirIntervalsOn) {
    state.settings.hourlyResults = true;
    std::string text = "DefaultZoneOutputOptions\n1\n";
    for (int group = 0; group < 10; ++group)
        text.append("0,0,0,").append(std::to_string(group % 2)).append("\n");
    text += "End\nPlantOutputOptions\n1,0,0,0\n0,0,1,0\n0,0,0,1\nEnd\n";
    Read(text);
    const ProcessSettings& settings = state.settings;
    EXPECT_EQ(settings.outputDetailCode, 1);
    for (int group = 0; group < 10; ++group) {
        const OutputSelection expected{0, 1, 0, static_cast<int16_t>(group % 2)};
        EXPECT_EQ(settings.zoneOutputOptions[group], expected) << "group " << group;
    }
    EXPECT_EQ(settings.plantOutputOptions[0], (OutputSelection{1, 1, 0, 0}));
    EXPECT_EQ(settings.plantOutputOptions[1], (OutputSelection{0, 1, 1, 0}));
    EXPECT_EQ(settings.plantOutputOptions[2], (OutputSelection{0, 1, 0, 1}));
}

TEST_F(SiteTest, SiteRecordKeepsItsFieldsInOrder) {
    std::string texts = " Name ,Laundrette,A&Comma B,C&Comma D,E,F";
    for (int field = 7; field <= 47; ++field) texts.append(",t").append(std::to_string(field));
    std::string values = "1.5,2.5,3.5,4,5,s1,s2";
    for (int i = 1; i <= 10; ++i) values.append(",").append(std::to_string(i * 10));
    values += ",x&Comma y,a,b,c,d,ignored";
    for (int i = 1; i <= 13; ++i) values.append(",u").append(std::to_string(i));
    values += ",first, , 7 ,,,,,last";
    Read("Site\n" + texts + "\n" + values + "\nEnd\nBuilding\nB1\nEnd\n");

    const Site& site = *state.site;
    ASSERT_EQ(site.Texts.size(), 47u);
    EXPECT_EQ(site.Texts[0], "Name");
    EXPECT_EQ(site.Texts[1], "Launderette");
    EXPECT_EQ(site.Texts[2], "A, B");
    EXPECT_EQ(site.Texts[5], "F");
    EXPECT_EQ(site.Texts[46], "t47");
    // The numbers and integers in order, and the first details, are written
    // into the CasaClima file (KlimaWriterTest).
    ASSERT_EQ(site.Details.size(), 28u);
    EXPECT_EQ(site.Details[0], "s1");
    EXPECT_EQ(site.Details[2], "x, y");
    EXPECT_EQ(site.Details[6], "d");
    EXPECT_EQ(site.Details[7], "u1");  // the ignored field is not kept
    EXPECT_EQ(site.Details[20], "first");
    EXPECT_EQ(site.Details[21], "0");
    EXPECT_EQ(site.Details[22], "7");
    EXPECT_EQ(site.Details[26], "0");
    EXPECT_EQ(site.Details[27], "last");
    EXPECT_EQ(state.building->Key, "B1");  // the closing line was consumed
}

TEST(Errors, ERMESKeepsCodesOneToAThousand) {
    EngineState state;
    Errors& errors = *state.errors;
    errors.ERMES(0, "zero");
    errors.ERMES(1001, "big");
    errors.ERMES(7, " seven");
    errors.ERMES(1000, 2.5);
    EXPECT_EQ(errors.Lines(), (std::vector<std::string>{"*7 seven", "*10002.5"}));
    errors.Init();
    EXPECT_TRUE(errors.Lines().empty());
}

}  // namespace
}  // namespace kz7
