#include <gtest/gtest.h>

#include "kz7/export/NCMData.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

// The CHP, hot-water, solar-collector and recommendation records are read
// and written whole by SbemModelWriterTest; here what the file does not show.
TEST(NCMDataTest, ReadsTheRecordsReportsCutOffListsAndClears) {
    test::RecordingState s;
    NCMData& ncm = *s.state.ncm;
    s.Open("SBEMWindGenerators\nWG1,Suburban,5,15,6\n-\n");
    ncm.ReadWindGenerator();
    s.Open(
        "SBEMPVS\nRoof PV,20,Monocrystalline,180,30,Moderately ventilated,None\nWall PV,5,Thin "
        "film,90,90,Unventilated,Little\n}\n");
    ncm.ReadPVSystems();
    s.Open(
        "SBEMHVACSystem,H1\nVAV,Variable air volume,Gas boiler,Natural gas,Grid "
        "electricity,0.88,3.2,1.6,Plate,0.65\n-\n");
    ncm.ReadHVACSystems();
    s.Open("SBEMHVACSystem,H1\nAgain,,,,,0,0,0,,0\n-\n");
    ncm.ReadHVACSystems();

    EXPECT_TRUE(ncm.WindGenerator.IsOn);
    EXPECT_FLOAT_EQ(ncm.WindGenerator.RatedPower, 6.0f);
    ASSERT_EQ(ncm.PVSystems.size(), 2u);
    EXPECT_EQ(ncm.PVSystems[1].Overshading, "Little");
    ASSERT_EQ(ncm.HVACSystems.size(), 1u);
    EXPECT_EQ(ncm.HVACSystems[0].Name, "VAV");
    EXPECT_FLOAT_EQ(ncm.HVACSystems[0].HeatRecoveryEfficiency, 0.65f);
    EXPECT_TRUE(s.HasError("SBEMHVACSystem H1 is defined twice"));
    s.Open("SBEMPVS\nRoof PV,20\n");
    ncm.ReadPVSystems();
    EXPECT_TRUE(s.HasError("SBEMPVS is cut off"));

    s.Open("SBEMCHP\nCHP1,Natural gas,0.5,0.3,0.6\n-\n");
    ncm.ReadCHP();
    ncm.Clear();
    EXPECT_FALSE(ncm.WindGenerator.IsOn);
    EXPECT_FALSE(ncm.CHP.IsOn);
    EXPECT_TRUE(ncm.PVSystems.empty());
}

}  // namespace
}  // namespace kz7
