#include <gtest/gtest.h>

#include "kz7/export/NCMData.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

TEST(NCMDataTest, ReadsEveryRecordReportsCutOffListsAndClears) {
    test::RecordingState s;
    NCMData& ncm = *s.state.ncm;
    s.Open("SBEMWindGenerators\nWG1,Suburban,5,15,6\n-\n");
    ncm.ReadWindGenerator();
    s.Open(
        "SBEMPVS\nRoof PV,20,Monocrystalline,180,30,Moderately ventilated,None\nWall PV,5,Thin "
        "film,90,90,Unventilated,Little\n}\n");
    ncm.ReadPVSystems();
    s.Open("SBEMCHP\nCHP1,Natural gas,0.5,0.3,0.6\n-\n");
    ncm.ReadCHP();
    s.Open(
        "SBEMHVACSystem,H1\nVAV,Variable air volume,Gas boiler,Natural gas,Grid "
        "electricity,0.88,3.2,1.6,Plate,0.65\n-\n");
    ncm.ReadHVACSystems();
    s.Open("SBEMHVACSystem,H1\nAgain,,,,,0,0,0,,0\n-\n");
    ncm.ReadHVACSystems();
    s.Open("SBEMDHWSystem,D1\nCalorifier,Storage,Natural gas,0.85,300,0.006,1,40\n-\n");
    ncm.ReadDHWSystems();
    s.Open("SBEMSolarCollector,SC1\nFlat plate,4,180,35,0.8,3.5,0.015,D1\n-\n");
    ncm.ReadSolarCollectors();
    s.Open("NCMRecommendations\nEPC-H1,Heating,Add time control&Comma then optimise\n}\n");
    ncm.ReadRecommendations();

    EXPECT_TRUE(ncm.WindGenerator.IsOn);
    EXPECT_FLOAT_EQ(ncm.WindGenerator.RatedPower, 6.0f);
    ASSERT_EQ(ncm.PVSystems.size(), 2u);
    EXPECT_EQ(ncm.PVSystems[1].Overshading, "Little");
    EXPECT_TRUE(ncm.CHP.IsOn);
    ASSERT_EQ(ncm.HVACSystems.size(), 1u);
    EXPECT_EQ(ncm.HVACSystems[0].Name, "VAV");
    EXPECT_FLOAT_EQ(ncm.HVACSystems[0].HeatRecoveryEfficiency, 0.65f);
    EXPECT_TRUE(s.HasError("SBEMHVACSystem H1 is defined twice"));
    EXPECT_TRUE(ncm.DHWSystems[0].HasSecondaryCirculation);
    EXPECT_EQ(ncm.SolarCollectors[0].DHWSystem, "D1");
    EXPECT_EQ(ncm.Recommendations[0].Text, "Add time control, then optimise");
    s.Open("SBEMPVS\nRoof PV,20\n");
    ncm.ReadPVSystems();
    EXPECT_TRUE(s.HasError("SBEMPVS is cut off"));

    ncm.Clear();
    EXPECT_FALSE(ncm.WindGenerator.IsOn);
    EXPECT_FALSE(ncm.CHP.IsOn);
    EXPECT_TRUE(ncm.PVSystems.empty());
}

}  // namespace
}  // namespace kz7
