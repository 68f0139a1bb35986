// The messages that tell a user what the reader did with a model: each names
// the record, its key, the document and the line, and is an error or a
// warning; what the engine reads is unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/LineReader.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/input/Site.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

struct MessageRecorder {
    EngineState state;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;

    MessageRecorder() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.warningHandler = [this](const std::string& text) { warnings.push_back(text); };
    }
    void Read(const std::string& text, const std::string& name = "model.kz7") {
        state.reader.OpenText(text, name);
        state.site->Read(XmlElement(), XmlElement());
        state.reader.Close();
    }
};

const std::string kMaterial = "OpaqueMaterial,BRK\nBrick\nMasonry,0.77,800,1700,0.2,0.25\n-\n";
const std::string kWall = "OpaqueConstruction,WALL\nWall\nW,1,0.7,0.9,0.9,0,0,0\nBRK,0.2,0,\n-\n";
// A zone up to its wall, the one line of its opaque elements' list.
const std::string kZoneWithAWall =
    kMaterial + kWall + "Zone,Z1\nOffice\n10,30\n0,0\n0,0\nOpaqueElements\nW,WALL,10,1,0,90\n";

TEST(RecordMessagesTest, UnknownKeywordsSayTheNearestOnceAndHostKeywordsPass) {
    MessageRecorder r;
    r.state.settings.hostKeywords = {"ShadingPlane"};
    r.Read("Zonee,Z1\nOffice\n10,30\n-\nShadingPlane,1,180,90,6,2\n");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0],
              "Record \"Zonee\" at line 1 of model.kz7: the keyword \"Zonee\" is not known (did "
              "you mean \"Zone\"?); the record is skipped");
    // A misspelt host keyword is offered its right spelling too.
    MessageRecorder host;
    host.state.settings.hostKeywords = {"ShadingPlane"};
    host.Read("ShadingPlan,1,180,90,6,2\n");
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find("did you mean \"ShadingPlane\""), std::string::npos);
    // So is a zone's sub-record: its data lines are skipped unreported, and
    // its closing line ends the zone.
    MessageRecorder zone;
    zone.Read(kZoneWithAWall + "}\nGlazedElement\nG,X,2,1,180,90\n}\n}\n");
    ASSERT_EQ(zone.errors.size(), 2u) << ::testing::PrintToString(zone.errors);
    EXPECT_EQ(zone.errors[0],
              "Zone \"Z1\" at line 18 of model.kz7: \"GlazedElement\" starts no sub-record of a "
              "zone (did you mean \"GlazedElements\"?); the line is skipped, and a \"}\" after it "
              "ends the zone");
    EXPECT_NE(zone.errors[1].find("the keyword \"}\" is not known"), std::string::npos);
    EXPECT_EQ(zone.state.zones->Item(1).elements.Count(), 1);
    // An empty first field ends the document: said when lines follow it.
    MessageRecorder cut;
    cut.Read(kMaterial + ",stray\n" + kWall);
    EXPECT_TRUE(cut.errors.empty());
    ASSERT_EQ(cut.warnings.size(), 1u);
    EXPECT_EQ(cut.warnings[0],
              "Line 5 of model.kz7 has an empty first field, which ends the document: the lines "
              "after it are not read");
    MessageRecorder ended;
    ended.Read(kMaterial + ",\n");
    EXPECT_TRUE(ended.warnings.empty());
    // The nearest word must be near; case does not count.
    const std::vector<std::string> known = {"Zone", "Profile", "ProfileGroup"};
    EXPECT_EQ(NearestWord("profilegroup", known), "ProfileGroup");
    EXPECT_EQ(NearestWord("Profle", known), "Profile");
    EXPECT_EQ(NearestWord("Wall", known), "");
}

// A list of elements or gains that runs into the zone's next sub-record
// ends there, said once; that sub-record and the rest of the zone are read.
TEST(RecordMessagesTest, AListWithoutItsClosingLineEndsAtTheNextSubRecord) {
    MessageRecorder r;
    r.Read(kZoneWithAWall + "Gains\nEQ,50,100,0,0.5,0\nAirflowElements\nI,50,0.5,1\n}\n}\n");
    ASSERT_EQ(r.errors.size(), 2u) << ::testing::PrintToString(r.errors);
    EXPECT_EQ(r.errors[0],
              "Zone \"Z1\" at line 17 of model.kz7: the elements of zone Z1 have no closing "
              "\"}\": they end before \"Gains\", which is read as the zone's next sub-record");
    EXPECT_NE(r.errors[1].find("the gains of zone Z1 have no closing"), std::string::npos);
    const Zone& zone = r.state.zones->Item(1);
    EXPECT_EQ(zone.elements.Count(), 2);  // the wall and the air flow
    EXPECT_EQ(zone.gains.Count(), 1);
}

TEST(RecordMessagesTest, AnUndefinedProfileGroupNameActsAsZeroAndIsReported) {
    MessageRecorder r;
    r.Read(kZoneWithAWall + "}\nGains\nOC,OCUPANCY,100,0,0.5,0\nEQ,50,100,0,0.5,0\n}\n}\n");
    ASSERT_EQ(r.errors.size(), 1u) << ::testing::PrintToString(r.errors);
    EXPECT_EQ(r.errors[0],
              "Zone \"Z1\" at line 19 of model.kz7: Profile group OCUPANCY not defined and not "
              "a number; it acts as a constant 0");
    const ProfileGroup* group = r.state.profileGroups->Item("OCUPANCY");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Value(12.0, 1, 6), 0.0f);
    EXPECT_EQ(r.state.profileGroups->Item("50")->Value(12.0, 1, 6), 50.0f);  // a number: no message
    EXPECT_EQ(r.errors.size(), 1u);
}

TEST(RecordMessagesTest, ALayerCountRunningIntoTheNextRecordIsReported) {
    MessageRecorder r;
    r.Read(kMaterial + "OpaqueConstruction,WALL\nWall\nW,3,0.7,0.9,0.9,0,0,0\nBRK,0.2,0,\n-\n" +
           "Zone,Z1\nOffice\n10,30\n0,0\n0,0\n}\n");
    EXPECT_TRUE(test::Mentions(
        r.errors,
        "OpaqueConstruction \"WALL\" at line 10 of model.kz7: layer 3 of 3 is the line "
        "of the keyword \"Zone\": the layer count runs past the record"))
        << ::testing::PrintToString(r.errors);
    EXPECT_EQ(r.state.zones->Count(), 0);  // the zone is still lost, as before
}

TEST(RecordMessagesTest, ASecondDefinitionSaysWhereTheUsedOneIs) {
    MessageRecorder r;
    r.Read(kMaterial, "support/Dbs.KZ7");
    r.Read("* the model's own brick\n" + ReplaceAll(kMaterial, "0.77", "0.5") + kMaterial);
    // Shadowed by the support library: a warning; twice in one document: an error.
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0],
              "OpaqueMaterial \"BRK\" at line 2 of model.kz7: OpaqueMaterial BRK is defined "
              "twice: first at line 1 of support/Dbs.KZ7, which is used; this record is ignored");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("at line 6 of model.kz7: OpaqueMaterial BRK is defined twice: "
                               "first at line 1 of support/Dbs.KZ7"),
              std::string::npos);
    EXPECT_FLOAT_EQ(r.state.opaqueMaterials->Item("BRK")->Conductivity, 0.77f);

    MessageRecorder zones;
    zones.Read("Zone,Z1\nA\n10,30\n0,0\n0,0\n}\nZone,Z1\nB\n10,30\n0,0\n0,0\n}\n");
    ASSERT_FALSE(zones.errors.empty());
    EXPECT_NE(zones.errors.back().find("Zone \"Z1\" at line 7 of model.kz7: Zone Z1 is defined "
                                       "twice: first at line 1 of model.kz7"),
              std::string::npos);
    EXPECT_EQ(zones.state.zones->Item(1).Description, "A");
}

}  // namespace
}  // namespace kz7
