#include "kz7/export/NCMData.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

namespace {
// Texts that must hold commas carry them as "&Comma".
std::string NextText(LineReader& reader) { return ReplaceAll(reader.NextString(), "&Comma", ","); }
}  // namespace

void NCMData::Close(const char* record) {
    state_.reader.NextLine();
    if (state_.reader.AtEnd()) state_.ShowError(std::string(record) + " is cut off by the end of the file");
}

template <typename T>
void NCMData::AddKeyed(std::vector<T>& list, T item, const char* record) {
    for (const T& existing : list) {
        if (existing.Key == item.Key) {
            state_.ShowError(std::string(record) + " " + item.Key + " is defined twice; the second is ignored");
            return;
        }
    }
    list.push_back(std::move(item));
}

void NCMData::ReadWindGenerator() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    WindGenerator.IsOn = true;
    WindGenerator.Name = NextText(reader);
    WindGenerator.TerrainType = NextText(reader);
    WindGenerator.RotorDiameter = reader.NextSingle();
    WindGenerator.HubHeight = reader.NextSingle();
    WindGenerator.RatedPower = reader.NextSingle();
    Close("SBEMWindGenerators");
}

void NCMData::ReadPVSystems() {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("SBEMPVS is cut off by the end of the file");
            return;
        }
        NCMPVSystem pv;
        pv.Name = NextText(reader);
        if (pv.Name == "}") return;
        pv.Area = reader.NextSingle();
        pv.PanelType = NextText(reader);
        pv.Orientation = reader.NextSingle();
        pv.Inclination = reader.NextSingle();
        pv.Ventilation = NextText(reader);
        pv.Overshading = NextText(reader);
        PVSystems.push_back(std::move(pv));
    }
}

void NCMData::ReadCHP() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    CHP.IsOn = true;
    CHP.Name = NextText(reader);
    CHP.Fuel = NextText(reader);
    CHP.HeatEfficiency = reader.NextSingle();
    CHP.PowerEfficiency = reader.NextSingle();
    CHP.HeatFraction = reader.NextSingle();
    Close("SBEMCHP");
}

void NCMData::ReadHVACSystems() {
    LineReader& reader = state_.reader;
    NCMHVACSystem system;
    system.Key = reader.NextString();
    reader.NextLine();
    system.Name = NextText(reader);
    system.SystemType = NextText(reader);
    system.HeatSource = NextText(reader);
    system.HeatingFuel = NextText(reader);
    system.CoolingFuel = NextText(reader);
    system.HeatingEfficiency = reader.NextSingle();
    system.CoolingSEER = reader.NextSingle();
    system.SpecificFanPower = reader.NextSingle();
    system.HeatRecovery = NextText(reader);
    system.HeatRecoveryEfficiency = reader.NextSingle();
    Close("SBEMHVACSystem");
    AddKeyed(HVACSystems, std::move(system), "SBEMHVACSystem");
}

void NCMData::ReadDHWSystems() {
    LineReader& reader = state_.reader;
    NCMDHWSystem system;
    system.Key = reader.NextString();
    reader.NextLine();
    system.Name = NextText(reader);
    system.GeneratorType = NextText(reader);
    system.Fuel = NextText(reader);
    system.Efficiency = reader.NextSingle();
    system.StorageVolume = reader.NextSingle();
    system.StorageLoss = reader.NextSingle();
    system.HasSecondaryCirculation = reader.NextInteger() == 1;
    system.CirculationLength = reader.NextSingle();
    Close("SBEMDHWSystem");
    AddKeyed(DHWSystems, std::move(system), "SBEMDHWSystem");
}

void NCMData::ReadSolarCollectors() {
    LineReader& reader = state_.reader;
    NCMSolarCollector collector;
    collector.Key = reader.NextString();
    reader.NextLine();
    collector.Name = NextText(reader);
    collector.Area = reader.NextSingle();
    collector.Orientation = reader.NextSingle();
    collector.Inclination = reader.NextSingle();
    collector.ZeroLossEfficiency = reader.NextSingle();
    collector.FirstOrderCoefficient = reader.NextSingle();
    collector.SecondOrderCoefficient = reader.NextSingle();
    collector.DHWSystem = reader.NextString();
    Close("SBEMSolarCollector");
    AddKeyed(SolarCollectors, std::move(collector), "SBEMSolarCollector");
}

void NCMData::ReadRecommendations() {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("NCMRecommendations is cut off by the end of the file");
            return;
        }
        NCMRecommendation recommendation;
        recommendation.Code = NextText(reader);
        if (recommendation.Code == "}") return;
        recommendation.Category = NextText(reader);
        recommendation.Text = NextText(reader);
        Recommendations.push_back(std::move(recommendation));
    }
}

void NCMData::Clear() {
    WindGenerator = {};
    CHP = {};
    PVSystems.clear();
    HVACSystems.clear();
    DHWSystems.clear();
    SolarCollectors.clear();
    Recommendations.clear();
}

}  // namespace kz7
