#pragma once
// Zone models with heaters, coolers and plant for the emitter tests, and a
// driver that runs the plant around the zones as the engine object does.
#include <string>

#include "ZoneTestModel.h"
#include "kz7/thermal/Plant.h"

namespace kz7::test {

// A boiler or chiller that always runs, with flat curves and no losses;
// `conversionLoss` in percent.
inline std::string AlwaysOnUnit(const std::string& kind, const std::string& key,
                                const std::string& timer = "100",
                                const std::string& conversionLoss = "10") {
    return kind + "," + key + "\n" + timer + ",1,1000,100,0,100,0,0,0," + conversionLoss +
           "\nEnd\n";
}
inline std::string HeaterDefinitionRecord(const std::string& key, double maxHeatW,
                                          double radiantFraction) {
    return "HeaterDefinition," + key + "\n0," + std::to_string(maxHeatW) + "," +
           std::to_string(radiantFraction) + "\nEnd\n";
}
inline std::string CoolerDefinitionRecord(const std::string& key, double maxCoolKW,
                                          double radiantFraction) {
    return "CoolerDefinition," + key + "\n0," + std::to_string(maxCoolKW) + "," +
           std::to_string(radiantFraction) + "\nEnd\n";
}
// Emitter lines inside a zone record.
inline std::string HeaterLines(const std::string& definition, const std::string& setPoint,
                               const std::string& boiler = "B1", const std::string& storage = "") {
    return "Heater\n" + definition + ",x," + setPoint + "," + boiler + storage + "\nEnd\n";
}
inline std::string CoolerLines(const std::string& definition, const std::string& setPoint,
                               const std::string& chiller = "C1") {
    return "Cooler\n" + definition + ",x," + setPoint + "," + chiller + "\nEnd\n";
}
// A zone record with emitter lines before its closing brace.
inline std::string ZoneWithEmitters(const ZoneText& zone, const std::string& emitters) {
    std::string text = ZoneRecord(zone);
    return text.substr(0, text.size() - 2) + emitters + "}\n";
}
// The box of ZoneTestModel without its ground floor.
inline std::string BoxWithoutGround() {
    return BoxElements().substr(0, BoxElements().rfind("S,"));
}

// Steps the plant around the zones: InitTimeStep, the zones, Solve.
struct PlantEngine : Engine {
    using Engine::Engine;
    void StartRun() {
        Start();
        state.plant->InitSimulation();
    }
    void PlantStep() {
        state.plant->InitTimeStep();
        state.zones->InitTimeStep();
        state.zones->SimulateStep();
        state.plant->Solve();
        state.zones->EndStep();
    }
    void RunPlantDays(int days, int32_t firstDay = 1) {
        const int32_t perHour = 60 / state.clock.timeStep;
        for (int d = 0; d < days; ++d) {
            state.clock.day = firstDay + d;
            for (int h = 0; h < 24; ++h)
                for (int s = 0; s < perHour; ++s) {
                    state.clock.hour = h + 1;
                    state.clock.decimalHour =
                        static_cast<float>(h) + (s + 0.5f) / static_cast<float>(perHour);
                    PlantStep();
                }
        }
    }
    float ControlTemperature(const Zone& zone) const {
        const float rf = state.settings.resultStoreValue;
        return (1.0f - rf) * zone.Ta2 + rf * zone.Tr2;
    }
};

}  // namespace kz7::test
