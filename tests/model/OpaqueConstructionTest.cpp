#include <gtest/gtest.h>

#include <cmath>
#include <pugixml.hpp>

#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/platform/NumberText.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

constexpr const char* kMaterials =
    "OpaqueMaterial,BRK\nBrick\nMasonry,0.77,800,1700\n-\n"
    "OpaqueMaterial,MW\nMineral wool\nInsulation,0.035,1030,25,1.2\n-\n"
    "OpaqueMaterial,PB\nPlasterboard\nBoards,0.21,1000,700,,0.39\n-\n"
    "OpaqueMaterial,TIM\nTimber\nWood,0.13,1600,500\n-\n"
    "OpaqueMaterial,CON\nConcrete\nMasonry,1.35,1000,2300\n-\n"
    "OpaqueMaterial,AIR\nAir\nGas,0,0,0\n-\n";

// Reads every record of `text` the way the document reader dispatches them.
void ReadRecords(test::RecordingState& s, const std::string& text, XmlElement xml = {}) {
    LineReader& reader = s.state.reader;
    reader.OpenText(text);
    while (true) {
        reader.NextLine();
        const std::string keyword = reader.NextString();
        if (keyword.empty()) break;
        if (keyword == "OpaqueMaterial")
            s.state.opaqueMaterials->Read();
        else if (keyword == "OpaqueConstruction")
            s.state.opaqueConstructions->Read(xml);
        else if (keyword == "GlazedConstruction")
            s.state.glazedConstructions->Read();
        else if (keyword == "Louvre")
            s.state.louvres->Read();
        else if (keyword == "Profile")
            s.state.profiles->Read();
    }
}

constexpr const char* kCavityWall =
    "OpaqueConstruction,1\nCavity "
    "wall\nW,3,0.7,0.9,0.9,0,0,55\nBRK,0.1,0,\nMW,0.1,0,\nPB,0.0125,0,\n-\n";

// The node chain from the outside air to the inside air: the whole resistance.
double NodeChain(const OpaqueConstruction& construction) {
    double chain = construction.NODZ3;
    for (const auto& layer : construction.LayerList)
        for (const MassNode& node : layer->Nodes) chain += node.NODZ1;
    return chain;
}

TEST(OpaqueConstructionTest, MaterialFieldsAndCarbonFlags) {
    test::RecordingState s;
    ReadRecords(s, kMaterials);
    // Names and physical fields reach the CasaClima file (KlimaWriterTest).
    OpaqueMaterial* wool = s.state.opaqueMaterials->Item("MW");
    ASSERT_NE(wool, nullptr);
    EXPECT_TRUE(wool->CO2Available);
    EXPECT_FALSE(wool->CO2EAvailable);
    OpaqueMaterial* board = s.state.opaqueMaterials->Item("PB");
    EXPECT_FALSE(board->CO2Available);
    EXPECT_TRUE(board->CO2EAvailable);
    EXPECT_FLOAT_EQ(board->EmbodiedCO2E, 0.39f);
    EXPECT_FLOAT_EQ(s.state.opaqueMaterials->Item("AIR")->Resistance(), 0.0f);
}

TEST(OpaqueConstructionTest, LayerTotalsNodesCoefficientsAndImpedances) {
    test::RecordingState s;
    ReadRecords(s, std::string(kMaterials) + kCavityWall);
    OpaqueConstruction* wall = s.state.opaqueConstructions->Item("1");
    ASSERT_NE(wall, nullptr);
    const double layers = 0.1 / 0.77 + 0.1 / 0.035 + 0.0125 / 0.21;
    EXPECT_NEAR(wall->SROut, 0.04, 1e-12);  // normal exposure
    EXPECT_NEAR(wall->SRIn, 0.13, 1e-12);
    EXPECT_NEAR(wall->RValue, layers + 0.17, 1e-5);
    EXPECT_NEAR(wall->UValue, 1.0 / (layers + 0.17), 1e-6);
    EXPECT_NEAR(wall->UValueSurfaceToSurface, 1.0 / layers, 1e-5);
    EXPECT_NEAR(wall->Thickness, 0.2125, 1e-6);
    EXPECT_NEAR(wall->RadI, 0.9 * 5.7 * 0.9 * 6 / 5, 1e-5);
    EXPECT_NEAR(wall->HCI, 1 / 0.13 - wall->RadI, 1e-4);
    EXPECT_NEAR(wall->HCO, 1 / 0.04 - 0.9 * 5.7, 1e-4);
    EXPECT_TRUE(wall->HVWT);
    // 0.1 m brick: Fourier number 60·0.77/(1700·800·(0.1/3)²) ≈ 0.0306, three nodes.
    EXPECT_NEAR(wall->LayerList.Item(1).FN1, 0.0306, 1e-4);
    EXPECT_EQ(wall->LayerList.Item(1).Nodes.Count(), 3);

    EXPECT_NEAR(NodeChain(*wall), wall->RValue, 1e-5);
    EXPECT_NEAR(wall->LayerList.Item(1).Nodes.Item(1).NODZ1, 0.04 + 0.1 / 0.77 / 6, 1e-6);

    EXPECT_NEAR(wall->CW, 1700 * 800 * 0.1 + 25 * 1030 * 0.1 + 700 * 1000 * 0.0125, 1.0);
    EXPECT_NEAR(wall->RES2(2), layers, 1e-5);
    EXPECT_GT(wall->RES2(1), 0.0f);
    EXPECT_LT(wall->RES2(1), 0.5f);  // the brick carries the mass, on the outside

    // The impedances tend to the total resistance at low frequency.
    for (double w : {1e-9, 1e-11}) {
        const Complex kz7 = wall->HKZ7(w);
        const Complex multi = wall->HMULTI(w);
        EXPECT_NEAR(kz7.X, wall->RValue, 1e-3 * wall->RValue) << w;
        EXPECT_NEAR(multi.X, wall->RValue, 1e-3 * wall->RValue) << w;
        EXPECT_NEAR(kz7.y, 0.0, 1e-3) << w;
    }
    // At the daily frequency the mass lowers the impedance seen from inside.
    const double daily = 6.283185308 / 86400;
    EXPECT_LT(Modulus(wall->HKZ7(daily)), wall->RValue);
    EXPECT_LT(Modulus(wall->HMULTI(daily)), wall->RValue);
    // A series branch without capacity is ignored.
    const Complex plain = wall->HKZ7(daily);
    const Complex branch = wall->HKZ7(daily, 5.0, 0.0);
    EXPECT_DOUBLE_EQ(plain.X, branch.X);
    EXPECT_DOUBLE_EQ(plain.y, branch.y);
    // The common interface answers by name.
    ThermalMembers& members = *wall;
    EXPECT_DOUBLE_EQ(*members.Member("UValue"), wall->UValue);
    EXPECT_FLOAT_EQ(static_cast<float>(*members.Member("RES2", 2)), wall->RES2(2));
    EXPECT_DOUBLE_EQ(members.Impedance("HMULTI", daily)->X, wall->HMULTI(daily).X);
    EXPECT_FALSE(members.Member("Ta2").has_value());
}

TEST(OpaqueConstructionTest, BridgedUValue) {
    test::RecordingState s;
    ReadRecords(
        s, std::string(kMaterials) + kCavityWall +
               "OpaqueConstruction,2\nStud "
               "wall\nW,3,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\nMW,0.1,15,TIM\nPB,0.0125,0,\n-\n"
               "OpaqueConstruction,3\nStud "
               "missing\nW,3,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\nMW,0.1,15,NONE\nPB,0.0125,0,\n-\n");
    OpaqueConstruction* plain = s.state.opaqueConstructions->Item("1");
    OpaqueConstruction* studs = s.state.opaqueConstructions->Item("2");
    OpaqueConstruction* missing = s.state.opaqueConstructions->Item("3");
    EXPECT_NEAR(plain->UValueBridged, plain->UValue, 1e-6);
    EXPECT_EQ(plain->Paths().size(), 1u);
    EXPECT_EQ(studs->Paths().size(), 2u);
    EXPECT_GT(studs->UValueBridged, studs->UValue * 1.1);
    // Bounds: the bridged value lies between the parallel-path and layer-parallel limits.
    EXPECT_LT(studs->UValueBridged,
              1.0 / (studs->RValue - 0.1 / 0.035 + 1.0 / (0.85 * 0.035 / 0.1 + 0.15 * 0.13 / 0.1)));
    // An unknown bridging material leaves the layer unbridged.
    EXPECT_EQ(missing->LayerList.Item(2).BridgeMaterial, nullptr);
    EXPECT_NEAR(missing->UValueBridged, missing->UValue, 1e-6);
}

TEST(OpaqueConstructionTest, PreviousReversedAndPreCalculated) {
    test::RecordingState s;
    ReadRecords(s, std::string(kMaterials) +
                       "OpaqueConstruction,9\n<Previous reversed>\nW,0,0.7,0.9,0.9,0,0,0\n-\n" +
                       kCavityWall +
                       "OpaqueConstruction,2\n<Previous reversed>\nP,0,0.5,0.8,0.9,0,0,0\n-\n"
                       "OpaqueConstruction,4\nGiven\nR,1,0.7,0.9,0.9,0,0,0\nCON,0.2,0,\nUSE-PRE-"
                       "CALCULATED-U-VALUE,0.35,120,1,0\n-\n");
    OpaqueConstruction* first = s.state.opaqueConstructions->Item("9");
    EXPECT_EQ(first->LayerList.Count(), 0);
    EXPECT_EQ(first->UValue, 0.0);
    EXPECT_EQ(first->RValue, 0.0);
    EXPECT_EQ(first->Description, "Construction 9");

    OpaqueConstruction* wall = s.state.opaqueConstructions->Item("1");
    OpaqueConstruction* reversed = s.state.opaqueConstructions->Item("2");
    ASSERT_EQ(reversed->LayerList.Count(), 3);
    EXPECT_EQ(reversed->LayerList.Item(1).Material, wall->LayerList.Item(3).Material);
    EXPECT_EQ(reversed->LayerList.Item(3).Material, wall->LayerList.Item(1).Material);
    EXPECT_DOUBLE_EQ(reversed->UValue, wall->UValue);
    EXPECT_DOUBLE_EQ(reversed->UValueBridged, wall->UValueBridged);
    EXPECT_DOUBLE_EQ(reversed->SRIn, wall->SROut);
    EXPECT_DOUBLE_EQ(reversed->SROut, wall->SRIn);
    EXPECT_DOUBLE_EQ(reversed->EmissO, wall->EmissI);
    EXPECT_TRUE(reversed->IsPreviousReversed() ==
                false);  // its description became "Construction 2"
    EXPECT_EQ(reversed->TYP, "P");
    // Each side keeps its own mass nodes: the wall's chain is untouched.
    EXPECT_NEAR(NodeChain(*wall), wall->RValue, 1e-5);

    // The given U-value, capacity and flags are written by SbemModelWriterTest.
    OpaqueConstruction* given = s.state.opaqueConstructions->Item("4");
    EXPECT_DOUBLE_EQ(given->UValueBridged, 0.35);
    EXPECT_EQ(given->NodeCount(), 0);
    EXPECT_TRUE(s.errors.empty());
}

TEST(OpaqueConstructionTest, ArealHeatCapacityAndLightConstructions) {
    test::RecordingState s;
    ReadRecords(
        s, std::string(kMaterials) +
               "OpaqueConstruction,1\nSlab\nF,1,0.7,0.9,0.9,0,0,0\nCON,0.3,0,\n-\n"
               "OpaqueConstruction,2\nLined\nW,2,0.7,0.9,0.9,0,0,0\nCON,0.3,0,\nMW,0.05,0,\n-\n"
               "OpaqueConstruction,3\nVoid\nW,1,0.7,0.9,0.9,0,0,0\nAIR,0.05,0,\n-\n"
               "OpaqueConstruction,4\nVoids\nW,2,0.7,0.9,0.9,0,0,0\nAIR,0.05,0,\nAIR,0.05,0,\n-\n");
    EXPECT_NEAR(s.state.opaqueConstructions->Item("1")->CM, 1.0 * 2300 * 0.1,
                1e-6);                                           // stops 0.1 m in
    EXPECT_EQ(s.state.opaqueConstructions->Item("2")->CM, 0.0);  // insulated inside face
    EXPECT_FALSE(s.state.opaqueConstructions->Item("3")->HVWT);
    OpaqueConstruction* voids = s.state.opaqueConstructions->Item("4");
    EXPECT_FALSE(voids->HVWT);  // several layers without capacity: light, not 0/0
    EXPECT_FALSE(std::isnan(voids->RES2(1)));
    EXPECT_EQ(voids->UValueSurfaceToSurface, 9999.0);
}

// A layer takes three nodes up to 0.11 m, five up to 0.3 m and seven beyond,
// two fewer while a 60 s step is unstable on them (Fourier number 0.5 or
// more), and one when three are unstable already.
TEST(OpaqueConstructionTest, LayerNodeCountFollowsThicknessAndStability) {
    const std::pair<std::string, int> layers[] = {
        {"CON,0.4", 7}, {"FOAM,0.35", 5}, {"FOAM,0.2", 3}, {"FOAM,0.1", 1}};
    std::string text =
        std::string(kMaterials) + "OpaqueMaterial,FOAM\nConductive foam\nX,1,1000,30\n-\n";
    for (size_t i = 0; i < std::size(layers); ++i)
        text += "OpaqueConstruction," + std::to_string(i) + "\nOne layer\nW,1,0.7,0.9,0.9,0,0,0\n" +
                layers[i].first + ",0,\n-\n";
    test::RecordingState s;
    ReadRecords(s, text);
    for (size_t i = 0; i < std::size(layers); ++i)
        EXPECT_EQ(
            s.state.opaqueConstructions->Item(std::to_string(i))->LayerList.Item(1).Nodes.Count(),
            layers[i].second)
            << layers[i].first;
}

TEST(OpaqueConstructionTest, BadInputIsReportedAndSurvived) {
    test::RecordingState s;
    ReadRecords(
        s, std::string(kMaterials) +
               "OpaqueMaterial,NEG\nNegative\nX,-1,800,1700\n-\n"
               "OpaqueMaterial,INF\nOverflow\nX,1e999,800,1700\n-\n"
               "OpaqueConstruction,1\nUnknown material\nW,1,0.7,0.9,0.9,0,0,0\nNOPE,0.1,0,\n-\n"
               "OpaqueConstruction,2\nZero\nW,2,0.7,0.9,0.9,0,0,0\nBRK,0,0,\nNEG,-0.1,0,\n-\n"
               "OpaqueConstruction,3\nOdd type\nQ,1,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\n-\n"
               "OpaqueConstruction,4\nHuge\nW,2,0.7,0.9,0.9,0,0,0\nINF,0.1,0,\nBRK,1e999,0,\n-\n"
               "OpaqueConstruction,5\nNegative count\nW,-4,0.7,0.9,0.9,0,0,0\n-\n"
               "OpaqueConstruction,6\nCount\nW,32767,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\n-\n");
    EXPECT_TRUE(s.HasError("Material NEG has an invalid conductivity"));
    EXPECT_TRUE(s.HasError("Material INF has an invalid conductivity"));
    EXPECT_TRUE(s.HasError("Missing material in construction Unknown material"));
    // The first material of the collection stands in (the last one read comes first).
    EXPECT_EQ(s.state.opaqueConstructions->Item("1")->LayerList.Item(1).Material,
              s.state.opaqueMaterials->Item(1));
    EXPECT_TRUE(s.HasError("Layer 1 of construction 2 has an invalid thickness"));
    EXPECT_TRUE(s.HasError("Invalid construction type code Q for construction 3"));
    EXPECT_TRUE(s.HasError("Invalid code Q"));
    // Huge and absurd numbers do not break the reduction.
    EXPECT_TRUE(s.HasError("Layer 2 of construction 4 has an invalid thickness"));
    OpaqueConstruction* huge = s.state.opaqueConstructions->Item("4");
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->LayerList.Item(1).Nodes.Count(), 1);  // no resistance: one node
    EXPECT_FALSE(std::isnan(huge->CM));
    EXPECT_TRUE(s.HasError("Invalid number of layers -4 in construction 5"));
    EXPECT_EQ(s.state.opaqueConstructions->Item("5")->LayerList.Count(), 0);
    // The layer count asks for more lines than there are: the next record's
    // lines are not taken as layers beyond the end of the file.
    EXPECT_TRUE(s.HasError("Construction 6 is cut off by the end of the file"));

    // Hundreds of layers, and a record cut off by the end of the file.
    std::string many =
        std::string(kMaterials) + "OpaqueConstruction,5\nMany\nW,400,0.7,0.9,0.9,0,0,0\n";
    for (int i = 0; i < 400; ++i) many += (i % 2 ? "BRK,0.01,10,TIM\n" : "MW,0.01,0,\n");
    many += "-\nOpaqueConstruction,6\nCut\nW,5,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\n";
    test::RecordingState big;
    ReadRecords(big, many);
    OpaqueConstruction* thick = big.state.opaqueConstructions->Item("5");
    ASSERT_NE(thick, nullptr);
    EXPECT_EQ(thick->LayerList.Count(), 400);
    EXPECT_EQ(thick->Paths().size(), 32u);  // five bridged layers among the first ten
    EXPECT_TRUE(std::isfinite(thick->UValueBridged));
    EXPECT_TRUE(big.HasError("Construction 6 is cut off by the end of the file after 1 layers"));
    EXPECT_EQ(big.state.opaqueConstructions->Item("6")->LayerList.Count(), 1);
}

TEST(OpaqueConstructionTest, WritesPropertiesIntoTheHostDocument) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(
        "<Constructions><OpaqueConstruction Id=\"7\"><CM_CW_CO2/></OpaqueConstruction>"
        "<OpaqueConstruction Id=\"1.0\"><Other/><CM_CW_CO2 CM=\"old\"/></OpaqueConstruction>"
        "<OpaqueConstruction Id=\"2\"/></Constructions>"));
    XmlElement root(document.child("Constructions"));
    test::RecordingState s;
    ReadRecords(s,
                std::string(kMaterials) + kCavityWall +
                    "OpaqueConstruction,2\nNo target\nW,1,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\n-\n",
                root);
    OpaqueConstruction* wall = s.state.opaqueConstructions->Item("1");
    pugi::xml_node target =
        document.select_node("//OpaqueConstruction[@Id='1.0']/CM_CW_CO2").node();
    EXPECT_EQ(std::string(target.attribute("CM").value()),
              NumberToText(std::round(wall->CM * 1000) / 1000));
    EXPECT_EQ(std::string(target.attribute("CW").value()), "147325");
    // Only the mineral wool gives a carbon factor: 0.1 m × 25 kg/m³ × 1.2.
    EXPECT_EQ(std::string(target.attribute("CO2").value()), "3");
    EXPECT_EQ(std::string(target.attribute("CO2Flag").value()), "0");
    EXPECT_EQ(std::string(target.attribute("UValBridged").value()),
              NumberToText(std::round(wall->UValueBridged * 1000) / 1000));
    // The other elements are left alone.
    EXPECT_FALSE(
        document.select_node("//OpaqueConstruction[@Id='7']/CM_CW_CO2").node().attribute("CM"));
    EXPECT_EQ(document.select_node("//OpaqueConstruction[@Id='2']").node().first_child(),
              pugi::xml_node());
}

TEST(GlazingTest, CoefficientsAndLouvre) {
    test::RecordingState s;
    ReadRecords(
        s,
        "Profile,On\n100,0\n}\n"
        "Louvre,L1\n100\n1,0.9,0.8,0.6,0.4,0.2,0.1\n-\n"
        "Louvre,L2\n50\n1,0.9,0.8,0.6,0.4,0.2,0.1\n-\n"
        "GlazedConstruction,G1\nDouble low-e\nEW,1.6,2,20,0.84,0.84,0,0,0.6,0.5,0.7,L1,25,300\n-\n"
        "GlazedConstruction,G2\nInternal\nIW,3,1,0,0.84,0.84,0.1,0.2,0.8,0.7,0.8,,0,0\n-\n"
        "GlazedConstruction,G3\nLost louvre\nRL,2,1,0,0.84,0.84,0,0,0.8,0.7,0.8,NOPE,0,0\n-\n");
    GlazedConstruction* g1 = s.state.glazedConstructions->Item("G1");
    ASSERT_NE(g1, nullptr);
    EXPECT_NEAR(g1->RadI, 5.171, 1e-3);
    EXPECT_FLOAT_EQ(g1->HCI, 3.0f);
    EXPECT_NEAR(g1->SRIn, 0.1223, 1e-4);
    EXPECT_FLOAT_EQ(g1->HCO, s.state.settings.outsideConvectiveWall);
    EXPECT_NEAR(g1->SROut, 1.0 / (0.84 * 5.7 + s.state.settings.outsideConvectiveWall), 1e-6);
    EXPECT_FLOAT_EQ(g1->FrameMult, 0.8f);
    EXPECT_FLOAT_EQ(g1->TransTotal, 0.6f);
    EXPECT_DOUBLE_EQ(g1->CostPerArea, 300.0);
    EXPECT_NEAR(g1->ShadingCoefficient(37.4f), 0.8 + (37.4 - 30) / 15 * (0.6 - 0.8), 1e-5);
    EXPECT_FLOAT_EQ(g1->ShadingCoefficient(95.0f), 0.1f);
    EXPECT_FLOAT_EQ(s.state.louvres->Item("L2")->ShadingCoefficient(37.4f),
                    1.0f);  // at 50 it stays up

    GlazedConstruction* g2 = s.state.glazedConstructions->Item("G2");
    EXPECT_FLOAT_EQ(g2->ShadingCoefficient(30.0f), 1.0f);
    EXPECT_NEAR(g2->HCO, 1 / 0.1 - 0.84 * 5.7 * 0.9 * 6 / 5, 1e-4);
    EXPECT_NEAR(g2->HCI, 1 / 0.2 - g2->RadI, 1e-4);
    EXPECT_TRUE(s.HasError("Missing louvre NOPE in glazed construction G3"));
    EXPECT_FLOAT_EQ(s.state.glazedConstructions->Item("G3")->HCO,
                    s.state.settings.outsideConvectiveRoof);
}

}  // namespace
}  // namespace kz7
