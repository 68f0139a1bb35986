#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Weather.h"
#include "model/ModelDocument.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

constexpr const char* kLibrary =
    "OpaqueMaterial,BRK\nBrick\nMasonry,0.77,800,1700\n-\n"
    "OpaqueMaterial,PB\nBoard\nBoards,0.21,1000,700\n-\n"
    "OpaqueMaterial,AIR\nAir\nGas,0,0,0\n-\n"
    "OpaqueConstruction,W1\nWall\nW,1,0.7,0.9,0.9,0,0,0\nBRK,0.2,0,\n-\n"
    "OpaqueConstruction,S1\nSlab\nS,1,0.7,0.9,0.9,0,0,0\nBRK,0.2,0,\n-\n"
    "OpaqueConstruction,V1\nVoid\nP,1,0.7,0.9,0.9,0,0,0\nAIR,0.05,0,\n-\n"
    "GlazedConstruction,G1\nWindow\nEW,1.6,2,20,0.84,0.84,0,0,0.6,0.5,0.7,,0,0\n-\n"
    "HeaterDefinition,Rad\n0,3000,0.3\n-\n"
    "HeaterDefinition,Store\n1,2000,0.2,3400,900000,0.3,0.2,600\n-\n"
    "CoolerDefinition,FCU\n0,4.5,0.1\n-\n"
    "Boiler,B1\n100,1,40,100,250,100,5,2,1,10\n-\n"
    "Chiller,C1\n100,0,30,100,2.5,100,4,0,0,0\n-\n";

void ReadDocument(test::RecordingState& s, const std::string& text) {
    test::ReadModelText(s.state, text);
}

std::string ZoneHead(const std::string& key, const std::string& volume = "200") {
    return "Zone," + key + "\nOffice \"north\"\n50," + volume +
           ",0.1,1,12,1002,Office,2,4,1.5,5,Text,3,1.5,2.5,3.5,More,4.5\n1,20\n0,24\n";
}

TEST(ZoneTest, ReadsFieldsElementsGainsAndEmitters) {
    test::RecordingState s;
    ReadDocument(s, std::string(kLibrary) + ZoneHead("Z1") +
                        "OpaqueElements\n"
                        "W,W1,12,1,180,90,3,,1,10,2.4,5,1,SC1,2.5\n"
                        "S,S1,50,5,0,175,10,,,1,,0,0,0,1\n"
                        "V,V1,8,4,0,90\n"
                        "}\n"
                        "GlazedElements\nG,G1,4,1,180,179.5,5,,0.5,True,0.3,,,0,,\n}\n"
                        "AirflowElements\nI,100,0.5,1\nA,100,2,3,Z1\n}\n"
                        "Gains\nPE,100,100,60,0.4,-1\n}\n"
                        "Heater\nRad,x,21,B1\n}\n"
                        "Cooler\nFCU,x,24,C1\n}\n"
                        "SBEMHVAC,HV1\nSBEMDHW,DH1,1.5\nSBEMLighting,LED,90,4.5,Auto,Photo,1\n"
                        "SBEMGlobalPSIValues,0.1,0.2,0.05\n"
                        "Unknown,stuff\n"
                        "}\n");
    ASSERT_EQ(s.state.zones->Count(), 1);
    Zone& zone = s.state.zones->Item(1);
    EXPECT_EQ(zone.Key, "Z1");
    EXPECT_EQ(zone.Description, "Office north");
    EXPECT_FLOAT_EQ(zone.Volume, 200.0f);
    EXPECT_EQ(zone.SBEMActivityId, 1002);
    EXPECT_EQ(zone.SBEMZoneMultiplier, 2);
    EXPECT_DOUBLE_EQ(zone.ZoneHeight, 3.0);
    EXPECT_EQ(zone.SBEMExportValues[2], "3.5");
    EXPECT_EQ(zone.SBEMExportValue4, "4.5");
    EXPECT_TRUE(zone.KlimaIsHeated);
    EXPECT_FALSE(zone.KlimaIsCooled);
    EXPECT_FLOAT_EQ(zone.ComfortUpperLimit, 26.0f);

    // The massless element inside the zone is dropped.
    ASSERT_EQ(zone.elements.Count(), 5);
    const Element& wall = zone.elements.Item(1);
    EXPECT_EQ(wall.GetElementType(), "Wall");
    EXPECT_EQ(wall.RMOG, "O");
    EXPECT_FALSE(wall.Exclude);
    EXPECT_EQ(wall.PlaneIndex, 3);
    EXPECT_TRUE(wall.IsStronglyVentilated);
    EXPECT_EQ(wall.SBEMSolarCollectorName, "SC1");
    EXPECT_FLOAT_EQ(wall.SlopeDegX, 90.0f);
    EXPECT_NEAR(wall.Orientation, M_PI, 1e-6);
    EXPECT_TRUE(wall.HVWT);
    EXPECT_TRUE(s.state.opaqueConstructions->Item("W1")->IsUsed);
    EXPECT_NEAR(wall.RESEL, 0.2 / 0.77, 1e-5);

    const Element& slab = zone.elements.Item(2);
    EXPECT_TRUE(slab.IsSubStructure());
    EXPECT_FLOAT_EQ(slab.SROut, 0.01f);
    EXPECT_TRUE(slab.Exclude);
    EXPECT_FLOAT_EQ(slab.SlopeDegX, 90.0f);  // opaque: only 180 and over lie flat

    const Element& window = zone.elements.Item(3);
    EXPECT_EQ(window.RMOG, "G");
    EXPECT_FLOAT_EQ(window.SlopeDegX, 0.0f);  // glazing: 179 and over lie flat
    EXPECT_TRUE(window.IsDisplay);
    EXPECT_EQ(window.ShadingSystem, "All other cases");
    EXPECT_FALSE(window.HVWT);

    const Element& infiltration = zone.elements.Item(4);
    EXPECT_NEAR(infiltration.KgPerSec, 200 * 0.5 * 1.29 / 3600, 1e-7);
    EXPECT_TRUE(infiltration.Exclude);
    EXPECT_EQ(zone.elements.Item(5).IOS, 4);  // airflow to its own zone

    ASSERT_NE(zone.ComfortPG, nullptr);
    ASSERT_TRUE(zone.Heater);
    EXPECT_EQ(zone.Heater->Definition, s.state.plant->heaterDefinitions.Item("Rad"));
    EXPECT_EQ(zone.Heater->SupplyBoiler, s.state.plant->boilers.Item("B1"));
    EXPECT_EQ(zone.Heater->SensorZone, &zone);
    ASSERT_TRUE(zone.Cooler);
    EXPECT_EQ(zone.Cooler->SupplyChiller, s.state.plant->chillers.Item("C1"));
    EXPECT_EQ(zone.SBEM.HVACSystem, "HV1");
    EXPECT_FLOAT_EQ(zone.SBEM.DHWDemandOverride, 1.5f);
    EXPECT_TRUE(zone.SBEM.ConstantIlluminance);
    EXPECT_EQ(zone.SBEM.PsiValues.size(), 3u);
    // The line that starts no sub-record is skipped, and said.
    ASSERT_EQ(s.errors.size(), 1u) << ::testing::PrintToString(s.errors);
    EXPECT_NE(s.errors[0].find("\"Unknown\" starts no sub-record of a zone"), std::string::npos);

    // Planes: the wall and window share the south plane only when within 0.044 rad.
    EXPECT_EQ(wall.Plane, &s.state.surfaces->IFUNC(static_cast<float>(M_PI) + 0.03f,
                                                   static_cast<float>(M_PI / 2)));
    EXPECT_NE(wall.Plane, &s.state.surfaces->IFUNC(static_cast<float>(M_PI) + 0.06f,
                                                   static_cast<float>(M_PI / 2)));
}

TEST(ZoneTest, PlantRecords) {
    test::RecordingState s;
    ReadDocument(s, std::string(kLibrary) + "DHW\n3,50,B1\n-\nFans\n600,70,90,50\n-\n" +
                        ZoneHead("Z1") +
                        "OpaqueElements\nW,W1,12,1,180,90,3,,1,10,2.4,5,1,,0\n}\n}\n"
                        "AdditionalHeater,Z1\nStore,x,21,B1,-2,12,450,600\n-\n"
                        "AdditionalSecondaryHeater,Z1\nRad,-5,15,0.4,20,B1\n-\n");
    Plant& plant = *s.state.plant;
    HeaterDefinition* store = plant.heaterDefinitions.Item("Store");
    EXPECT_EQ(store->HeaterType, 1);
    EXPECT_FLOAT_EQ(store->CoreSetPointTemperature, 600.0f);
    EXPECT_FLOAT_EQ(plant.coolerDefinitions.Item("FCU")->MaxHeat, 4500.0f);
    Boiler* boiler = plant.boilers.Item("B1");
    EXPECT_FLOAT_EQ(boiler->AuxiliaryPower, 0.25f);
    EXPECT_FLOAT_EQ(boiler->DistributionLoss, 0.05f);
    EXPECT_FLOAT_EQ(boiler->ConversionEfficiency, 0.9f);
    EXPECT_FLOAT_EQ(boiler->Capacity, 40.0f);
    EXPECT_FLOAT_EQ(plant.chillers.Item("C1")->AuxiliaryPower, 2.5f);
    EXPECT_EQ(plant.boilers.Index(boiler), 1);
    EXPECT_FLOAT_EQ(plant.dhw.ANCMXHT, 3.0f);  // kW, as the plant books it
    EXPECT_EQ(plant.dhw.SupplyBoiler, boiler);
    EXPECT_FLOAT_EQ(plant.fans.SYSEFF, 0.7f);

    Zone& zone = s.state.zones->Item("Z1");
    ASSERT_TRUE(zone.Heater);
    EXPECT_EQ(zone.Heater->Definition, store);
    EXPECT_FLOAT_EQ(zone.Heater->ChargeMinToa, -2.0f);
    EXPECT_FLOAT_EQ(zone.Heater->BoostMaxTin, 600.0f);
    ASSERT_TRUE(zone.SecondaryHeater);
    EXPECT_FLOAT_EQ(zone.SecondaryHeater->PartLoadAtToaMax, 0.4f);
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();

    plant.Clear();
    EXPECT_EQ(plant.boilers.Count(), 0);
    EXPECT_EQ(plant.dhw.SupplyBoiler, nullptr);
}

TEST(ZoneTest, OutputOptionsAndDefaults) {
    test::RecordingState s;
    std::string options = "OutputOptions\n";
    for (int i = 0; i < 10; ++i) options += "1,0,1,0\n";
    options += "-\n";
    // The defaults stand before the zones, as a model usually writes them:
    // they still reach every zone without its own options.
    std::string defaults = "DefaultZoneOutputOptions\n0\n";
    for (int i = 0; i < 10; ++i) defaults += "0,0,0,1\n";
    defaults += "End\n";
    ReadDocument(s, std::string(kLibrary) + defaults + ZoneHead("Z1") +
                        "OpaqueElements\nW,W1,1,1,0,90\n}\n" + options + "}\n" + ZoneHead("Z2") +
                        "OpaqueElements\nW,W1,1,1,0,90\n}\n}\n");
    const Zone& own = s.state.zones->Item("Z1");
    const Zone& plain = s.state.zones->Item("Z2");
    EXPECT_TRUE(own.HasOwnOutputOptions);
    EXPECT_EQ(own.Outputs[9], (Zone::OutputSelection::value_type{1, 0, 1, 0}));
    EXPECT_EQ(plain.Outputs[9], (Zone::OutputSelection::value_type{0, 0, 0, 1}));
    // A later default record reaches the zones read before it, too.
    Zone::OutputSelection all{};
    for (auto& group : all) group = {1, 1, 1, 1};
    s.state.zones->SetDefaultOutputOptions(all);
    EXPECT_EQ(own.Outputs[9][1], 0);
    EXPECT_EQ(plain.Outputs[9][1], 1);
    // Clearing the model forgets the defaults.
    s.state.zones->Clear();
    ReadDocument(s, ZoneHead("Z3") + "OpaqueElements\nW,W1,1,1,0,90\n}\n}\n");
    EXPECT_EQ(s.state.zones->Item("Z3").Outputs[9], (Zone::OutputSelection::value_type{0, 0, 0, 0}));
}

TEST(ZoneTest, BadZoneInputIsReported) {
    test::RecordingState s;
    ReadDocument(
        s, std::string(kLibrary) + ZoneHead("Z1") +
               "OpaqueElements\nW,NOPE,12,1,180,90\nW,W1,-3,9,0,90\nP,W1,10,3,0,90,Z9\n}\n}\n" +
               ZoneHead("Z1") + "}\n" + ZoneHead("Empty") + "}\n" +
               "AdditionalCooler,Z7\nFCU,x,24,C1\n-\n"
               "AdditionalHeater,Z1\nNOPE,x,21,NOB\n-\n" +
               ZoneHead("Cut") + "OpaqueElements\nW,W1,12,1,180,90\n");
    EXPECT_TRUE(s.HasError("Missing construction NOPE in Office north"));
    EXPECT_TRUE(s.HasError("Element W in zone Z1 has an invalid area"));
    EXPECT_TRUE(s.HasError("Element W in zone Z1 has an invalid boundary code 9"));
    EXPECT_TRUE(s.HasError("Zone Z1 is defined twice"));
    EXPECT_TRUE(s.HasError("Zone Empty has no elements"));
    EXPECT_TRUE(s.HasError("AdditionalCooler names zone Z7, which does not exist"));
    EXPECT_TRUE(s.HasError("Missing heater definition NOPE in heater of zone Z1"));
    EXPECT_TRUE(s.HasError("Missing boiler NOB in heater of zone Z1"));
    EXPECT_TRUE(s.HasError("Elements of zone Cut are cut off by the end of the file"));
    EXPECT_TRUE(s.HasError("Zone Cut is cut off by the end of the file"));
    // The missing-construction element is kept without further fields.
    Zone& zone = s.state.zones->Item("Z1");
    EXPECT_EQ(zone.elements.Item(1).ConnectObject, nullptr);
    EXPECT_EQ(zone.elements.Item(1).ElementArea, 0.0f);
    // The record after the unknown zone's emitter is still read.
    EXPECT_EQ(zone.Heater->Definition, nullptr);
    EXPECT_EQ(s.state.zones->CheckReferences(), 1);
    // Named by the zone's record, the first line after the library.
    const std::string library(kLibrary);
    const auto zoneLine = std::count(library.begin(), library.end(), '\n') + 1;
    EXPECT_TRUE(s.HasError("Zone \"Z1\" at line " + std::to_string(zoneLine) +
                           " of (text): Element P of zone Z1 names zone Z9, which does not exist"));
}

TEST(ZoneTest, VersionFiveLayoutAndGlazingBoundaries) {
    test::RecordingState s;
    s.state.settings.isV5 = true;
    ReadDocument(s, std::string(kLibrary) + ZoneHead("Z1") + "North#East,Level 1\n" +
                        "GlazedElements\n"
                        "G,G1,4,1,0,90,2,,0.5,False,0.3,,,0,,,1,2,3\n"
                        "G,G1,2,3,90,90,Z2,1,1,1\n"
                        "G,G1,2,5,90,90,12,1,1,1\n"
                        "G,G1,2,6,90,90,4,Z2,1,1,1\n"
                        "}\n}\n" +
                        ZoneHead("Z2") + "-,ignored\nOpaqueElements\nW,W1,1,1,0,90\n}\n}\n");
    Zone& z1 = s.state.zones->Item("Z1");
    EXPECT_EQ(z1.ListTexts[0], "North,East");
    EXPECT_EQ(z1.ListTexts[1], "Level 1");
    EXPECT_TRUE(s.state.zones->Item("Z2").ListTexts[1].empty());
    ASSERT_EQ(z1.elements.Count(), 4);
    const Element& window = z1.elements.Item(1);
    EXPECT_EQ(window.ShadingPosition, "None (no shading)");
    EXPECT_TRUE(window.ShadingSystem.empty());
    EXPECT_EQ(window.ElemCount, 3);
    EXPECT_EQ(z1.elements.Item(2).RMID, "Z2");
    EXPECT_EQ(z1.elements.Item(2).PlaneIndex, -1);
    EXPECT_TRUE(z1.elements.Item(2).Exclude);
    ASSERT_NE(z1.elements.Item(3).AdjacentPG, nullptr);
    EXPECT_FLOAT_EQ(z1.elements.Item(3).AdjacentPG->GRPVAL(), 12.0f);
    EXPECT_EQ(z1.elements.Item(4).PlaneIndex, 4);
    EXPECT_EQ(z1.elements.Item(4).RMID, "Z2");
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();
}

TEST(SurfaceTest, PlanesAndLongWaveLoss) {
    test::RecordingState s;
    Surfaces& surfaces = *s.state.surfaces;
    Surface& roof = surfaces.IFUNC(1.0f, 0.0f);
    EXPECT_FLOAT_EQ(roof.Orientation, 0.0f);  // flat planes have no orientation
    EXPECT_EQ(&surfaces.IFUNC(2.0f, 0.0f), &roof);
    const float degree = 0.017453292f;
    Surface& wall = surfaces.IFUNC(10 * degree, 90 * degree);
    EXPECT_EQ(&surfaces.IFUNC(12 * degree, 90 * degree), &wall);
    EXPECT_NE(&surfaces.IFUNC(13 * degree, 90 * degree), &wall);
    EXPECT_EQ(surfaces.Count(), 3);
    s.state.weather->iCloud = 0;
    EXPECT_NEAR(roof.RadLW(), 93.0f, 1e-4);
    EXPECT_NEAR(wall.RadLW(), 21.0f, 1e-4);
    s.state.weather->iCloud = 8;
    EXPECT_NEAR(roof.RadLW(), 14.0f, 1e-4);
    EXPECT_NEAR(wall.RadLW(), 4.0f, 1e-4);
}

}  // namespace
}  // namespace kz7
