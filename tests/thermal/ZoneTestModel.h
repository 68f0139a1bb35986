#pragma once
// Small models for the zone tests, written as model text and read through
// the engine's own reader, with a driver that runs time steps on weather the
// test sets.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/Site.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/XmlElement.h"
#include "kz7/weather/Weather.h"

namespace kz7::test {

// Materials and constructions every test model can use:
//   WALL heavy external wall, ROOF heavy roof, PART heavy partition,
//   LIGHT external wall without mass, THIN external wall with a thin lining, LPART partition without mass,
//   GLZ double glazing, GLZL the same with louvre L1 (schedule LOUVRE),
//   GLZ50 and GLZ51 with louvres scheduled at 50 % and 51 %.
inline std::string Library() {
    return R"(OpaqueMaterial,brick
Brick
Masonry,0.77,800,1700,,
End
OpaqueMaterial,block
Block
Masonry,1.13,1000,2000,,
End
OpaqueMaterial,insul
Insulation
Insulation,0.035,1400,25,,
End
OpaqueMaterial,board
Board without mass
Board,0.2,0,0,,
End
OpaqueMaterial,foam
Foam without mass
Insulation,0.04,0,0,,
End
OpaqueMaterial,plaster
Plaster
Board,0.16,1000,950,,
End
OpaqueConstruction,THIN
Thin lined wall
W,2,0.6,0.9,0.9,0,0,0
foam,0.08,0,
plaster,0.004,0,
End
OpaqueConstruction,WALL
Heavy wall
W,3,0.6,0.9,0.9,0,0,0
brick,0.1,0,
insul,0.08,0,
block,0.1,0,
End
OpaqueConstruction,ROOF
Heavy roof
R,2,0.7,0.9,0.9,0,0,0
insul,0.15,0,
block,0.15,0,
End
OpaqueConstruction,PART
Heavy partition
P,1,0.5,0.9,0.9,0,0,0
block,0.1,0,
End
OpaqueConstruction,LIGHT
Light wall
W,2,0.6,0.9,0.9,0,0,0
board,0.012,0,
foam,0.08,0,
End
OpaqueConstruction,LPART
Light partition
P,1,0.5,0.9,0.9,0,0,0
board,0.025,0,
End
Louvre,L1
LOUVRE
0.5,0.5,0.4,0.3,0.2,0.1,0.1
End
Louvre,L50
50
0.5,0.5,0.4,0.3,0.2,0.1,0.1
End
Louvre,L51
51
0.5,0.5,0.4,0.3,0.2,0.1,0.1
End
GlazedConstruction,GLZ50
Louvre scheduled at 50
EW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.75,L50,0,0
End
GlazedConstruction,GLZ51
Louvre scheduled at 51
EW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.75,L51,0,0
End
GlazedConstruction,GLZ
Double glazing
EW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.75,,0,0
End
GlazedConstruction,GLZL
Double glazing with louvre
EW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.75,L1,0,0
End
)";
}

// Element lines.
inline std::string Outside(const std::string& code, const std::string& construction, double area,
                           double orientation, double slope, int plane = -1) {
    return code + "," + construction + "," + std::to_string(area) + ",1," + std::to_string(orientation) + "," +
           std::to_string(slope) + "," + std::to_string(plane) + ",,0,0,0,0,0,,0\n";
}
inline std::string Adjacent(const std::string& code, const std::string& construction, double area,
                            const std::string& zone) {
    return code + "," + construction + "," + std::to_string(area) + ",3,0,90," + zone + ",,,0,0,0,0,0,0,0\n";
}
inline std::string Ground(const std::string& construction, double area, const std::string& schedule = "10") {
    return "S," + construction + "," + std::to_string(area) + ",5,0,180," + schedule + ",,,0,,0,0,0,0\n";
}
inline std::string Window(const std::string& construction, double area, double orientation, int plane = -1) {
    return "G," + construction + "," + std::to_string(area) + ",1," + std::to_string(orientation) + ",90," +
           std::to_string(plane) + ",,0,False,0,,,0,,,0,0,0\n";
}
inline std::string InterZoneWindow(double area, double orientation, int plane, const std::string& zone) {
    return "G,GLZ," + std::to_string(area) + ",6," + std::to_string(orientation) + ",90," + std::to_string(plane) +
           "," + zone + ",0,0,0\n";
}
inline std::string Air(const std::string& code, const std::string& schedule, double airChanges,
                       const std::string& boundary = "1") {
    return code + "," + schedule + "," + std::to_string(airChanges) + "," + boundary + "\n";
}
inline std::string Gain(double sensible, double radiantFraction, const std::string& schedule = "100") {
    return "EQ," + schedule + "," + std::to_string(sensible) + ",0," + std::to_string(radiantFraction) + ",-1,0\n";
}

struct ZoneText {
    std::string key = "1";
    double floorArea = 50.0;
    double volume = 150.0;
    std::string opaque, glazed, airflow, gains;
};

inline std::string ZoneRecord(const ZoneText& z) {
    std::string text = "Zone," + z.key + "\nZone " + z.key + "\n" + std::to_string(z.floorArea) + "," +
                       std::to_string(z.volume) + ",0,1,0,0,,1,0,0,0,,3,0,0,0,,0\n0,0\n0,0\n";
    if (!z.opaque.empty()) text += "OpaqueElements\n" + z.opaque + "}\n";
    if (!z.glazed.empty()) text += "GlazedElements\n" + z.glazed + "}\n";
    if (!z.airflow.empty()) text += "AirflowElements\n" + z.airflow + "}\n";
    if (!z.gains.empty()) text += "Gains\n" + z.gains + "}\n";
    return text + "}\n";
}

// A box of floor area 50 m²: four walls, a roof, a ground floor.
inline std::string BoxElements(const std::string& wall = "WALL", const std::string& roof = "ROOF") {
    return Outside("W", wall, 20, 0, 90) + Outside("W", wall, 20, 90, 90) + Outside("W", wall, 20, 180, 90) +
           Outside("W", wall, 20, 270, 90) + Outside("R", roof, 50, 0, 0) + Ground(roof, 50);
}

// A cloud value beyond the overcast 8 oktas at which walls and roofs lose
// nothing to the sky: weather without long-wave loss, for steady states.
constexpr int16_t kWarmSky = 10;

// An engine with its errors recorded and the model read from `zones` text.
struct Engine {
    EngineState state;
    std::vector<std::string> errors;

    explicit Engine(const std::string& zonesText, int32_t timeStep = 10) {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        state.reader.OpenText(Library() + zonesText, "test model");
        state.site->Read(XmlElement(), XmlElement());
        state.reader.Close();
        state.clock.SetTimeStep(timeStep);
        state.clock.initialTemperature = 15.0f;
        state.settings.resultStoreValue = 0.5f;  // radiant weight
        state.clock.month = 1;
        state.clock.dayType = 1;
        SetWeather(5.0f);
    }

    Zone& zone(const std::string& key) { return state.zones->Item(key); }

    void SetWeather(float toa, float altitude = -0.1f, float azimuth = 3.1415927f, float idn = 0.0f,
                    float ifh = 0.0f, int16_t cloud = kWarmSky) {
        Weather& w = *state.weather;
        w.Toa = toa;
        w.Goa = 5.0f;
        w.SunAltitude = altitude;
        w.SunAzimuth = azimuth;
        w.Idn = idn;
        w.Ifh = ifh;
        w.Igh = std::sin(altitude) * idn + ifh;
        w.iCloud = cloud;
    }

    void Start() { state.zones->InitSimulation(); }

    // One step of the zone set, as the engine object drives it.
    void Step() {
        state.zones->InitTimeStep();
        state.zones->SimulateStep();
        state.zones->EndStep();
    }

    // Runs whole days of steps; `weather(hour)` may set the weather before
    // each step, `after()` looks at each solved step.
    void RunDays(int days, const std::function<void(float)>& weather = {},
                 const std::function<void()>& after = {}) {
        const int32_t perHour = 60 / state.clock.timeStep;
        for (int d = 0; d < days && !state.engine->Cancelled; ++d)
            for (int h = 0; h < 24; ++h)
                for (int s = 0; s < perHour && !state.engine->Cancelled; ++s) {
                    const float hour = static_cast<float>(h) + (s + 0.5f) / static_cast<float>(perHour);
                    state.clock.hour = h + 1;
                    state.clock.decimalHour = hour;
                    if (weather) weather(hour);
                    Step();
                    if (after) after();
                }
    }
};

}  // namespace kz7::test
