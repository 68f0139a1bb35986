// The library shipped in support/ reads cleanly with sound values. The
// examples, read on top of it, are checked by ExampleModelsTest.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "model/ModelDocument.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

TEST(ExampleModelTest, TheSupportLibraryReadsCleanlyWithSoundValues) {
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
}

}  // namespace
}  // namespace kz7
