#pragma once
// The site's SBEM data: renewables, CHP, HVAC and hot-water systems, solar
// collectors and recommendations, carried to the SBEM writer.
#include <cstdint>
#include <string>
#include <vector>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;

struct NCMWindGenerator {
    bool IsOn = false;
    std::string Name;
    std::string TerrainType;
    float RotorDiameter = 0.0f;  // m
    float HubHeight = 0.0f;      // m
    float RatedPower = 0.0f;     // kW
};

struct NCMPVSystem {
    std::string Name;
    float Area = 0.0f;  // m²
    std::string PanelType;
    float Orientation = 0.0f;  // degrees clockwise from north
    float Inclination = 0.0f;  // degrees from horizontal
    std::string Ventilation;
    std::string Overshading;
};

struct NCMCHP {
    bool IsOn = false;
    std::string Name;
    std::string Fuel;
    float HeatEfficiency = 0.0f;   // fraction
    float PowerEfficiency = 0.0f;  // fraction
    float HeatFraction = 0.0f;     // share of the building's heat supplied
};

struct NCMHVACSystem {
    std::string Key;
    std::string Name;
    std::string SystemType;
    std::string HeatSource;
    std::string HeatingFuel;
    std::string CoolingFuel;
    float HeatingEfficiency = 0.0f;  // seasonal, fraction
    float CoolingSEER = 0.0f;
    float SpecificFanPower = 0.0f;  // W/(l/s)
    std::string HeatRecovery;
    float HeatRecoveryEfficiency = 0.0f;  // fraction
};

struct NCMDHWSystem {
    std::string Key;
    std::string Name;
    std::string GeneratorType;
    std::string Fuel;
    float Efficiency = 0.0f;     // fraction
    float StorageVolume = 0.0f;  // l
    float StorageLoss = 0.0f;    // kWh/(l·day)
    bool HasSecondaryCirculation = false;
    float CirculationLength = 0.0f;  // m
};

struct NCMSolarCollector {
    std::string Key;
    std::string Name;
    float Area = 0.0f;  // m² aperture
    float Orientation = 0.0f;
    float Inclination = 0.0f;
    float ZeroLossEfficiency = 0.0f;
    float FirstOrderCoefficient = 0.0f;   // W/(m²K)
    float SecondOrderCoefficient = 0.0f;  // W/(m²K²)
    std::string DHWSystem;  // key of the hot-water system it serves
};

struct NCMRecommendation {
    std::string Code;
    std::string Category;
    std::string Text;
};

class NCMData {
public:
    explicit NCMData(EngineState& state) : state_(state) {}

    void ReadWindGenerator();
    void ReadPVSystems();
    void ReadCHP();
    void ReadHVACSystems();
    void ReadDHWSystems();
    void ReadRecommendations();
    void ReadSolarCollectors();
    // Empties every list and switches the wind generator and CHP off.
    void Clear();

    NCMWindGenerator WindGenerator;
    NCMCHP CHP;
    std::vector<NCMPVSystem> PVSystems;
    std::vector<NCMHVACSystem> HVACSystems;
    std::vector<NCMDHWSystem> DHWSystems;
    std::vector<NCMSolarCollector> SolarCollectors;
    std::vector<NCMRecommendation> Recommendations;

private:
    // Reads the closing line of a record and reports a cut-off one.
    void Close(const char* record);
    template <typename T>
    void AddKeyed(std::vector<T>& list, T item, const char* record);

    EngineState& state_;
};

}  // namespace kz7
