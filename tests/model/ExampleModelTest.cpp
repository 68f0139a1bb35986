// The library shipped in support/ and the example model of the format page
// must read cleanly: the page cannot drift from the reader.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "model/ModelDocument.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

TEST(ExampleModelTest, LibraryAndExampleReadCleanlyWithSoundValues) {
    test::RecordingState s;
    test::ReadModelText(s.state, test::ReadFile(KZ7_SOURCE_DIR "/support/Dbs.KZ7"));
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();
    EXPECT_GE(s.state.opaqueMaterials->Count(), 30);
    EXPECT_GE(s.state.opaqueConstructions->Count(), 12);
    EXPECT_GE(s.state.glazedConstructions->Count(), 4);
    for (const OpaqueConstruction& construction : *s.state.opaqueConstructions) {
        SCOPED_TRACE(construction.Key);
        EXPECT_GT(construction.UValue, 0.08);
        EXPECT_LT(construction.UValue, 4.0);
        EXPECT_GE(construction.UValueBridged,
                  construction.UValue * (1 - 1e-6));  // paths are summed in single precision
        EXPECT_TRUE(std::isfinite(construction.CM));
        EXPECT_TRUE(construction.HVWT);
    }
    // A full-fill cavity wall of this build is near 0.3 W/m²K.
    EXPECT_NEAR(s.state.opaqueConstructions->Item("CAVITY-WALL-FULL")->UValue, 0.29, 0.03);
    s.state.clock.month = 6;
    s.state.clock.dayType = 3;
    s.state.clock.decimalHour = 10.0f;
    EXPECT_FLOAT_EQ(s.state.profileGroups->Item("OFFICE-OCCUPANCY")->GRPVAL(), 100.0f);
    EXPECT_FLOAT_EQ(s.state.profileGroups->Item("HEATING-SETPOINT-OFFICE")->GRPVAL(), 21.0f);
    s.state.clock.dayType = 7;
    EXPECT_FLOAT_EQ(s.state.profileGroups->Item("OFFICE-OCCUPANCY")->GRPVAL(), 0.0f);
    EXPECT_FLOAT_EQ(s.state.profileGroups->Item("ALWAYS-ON")->GRPVAL(), 100.0f);

    // The example model, read on top of the library, reads completely.
    test::ReadModelText(s.state, test::ReadFile(KZ7_SOURCE_DIR "/examples/office.kz7"));
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();
    ASSERT_EQ(s.state.zones->Count(), 2);
    EXPECT_EQ(s.state.zones->CheckReferences(), 0);
    Zone& office = s.state.zones->Item("Z1");
    EXPECT_EQ(office.Description, "Open plan office");
    EXPECT_EQ(office.elements.Count(), 7);
    EXPECT_EQ(office.gains.Count(), 3);
    ASSERT_TRUE(office.Heater && office.Cooler);
    EXPECT_NE(office.Heater->SupplyBoiler, nullptr);
    EXPECT_NE(office.Cooler->SupplyChiller, nullptr);
    EXPECT_NE(office.ComfortPG, nullptr);
    const Element& window = office.elements.Item(6);
    ASSERT_NE(window.Glazing, nullptr);
    ASSERT_NE(window.Glazing->AttachedLouvre, nullptr);
    // The reversed party wall matches its other side.
    OpaqueConstruction* party = s.state.opaqueConstructions->Item("EX-PARTY");
    OpaqueConstruction* reversed = s.state.opaqueConstructions->Item("EX-PARTY-R");
    EXPECT_DOUBLE_EQ(reversed->UValue, party->UValue);
    EXPECT_EQ(reversed->LayerList.Count(), 3);
    Zone& meeting = s.state.zones->Item("Z2");
    EXPECT_EQ(meeting.elements.Item(5).RMID, "Z1");
    EXPECT_FALSE(meeting.Cooler);
    EXPECT_FLOAT_EQ(s.state.plant->dhw.ANCMXHT, 1.5f);  // kW, as the plant books it
}

}  // namespace
}  // namespace kz7
