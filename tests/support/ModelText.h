#pragma once
// Model documents for tests, built as text and read through the engine's own
// reader: element lines, zone records, emitter and plant records, libraries
// of materials and constructions, and engines that read such text with their
// error dialogs recorded.
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/Site.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/XmlElement.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Weather.h"

namespace kz7::test {

// A number as short text: 2.5 → "2.5", 20 → "20".
inline std::string Number(double value) {
    std::string text = std::to_string(value);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// ---- Element lines ---------------------------------------------------------

// An opaque element line. `boundary` is the shading plane outside (IOS 1,
// none by default), the neighbouring zone (IOS 3) or the boundary profile
// group (IOS 5, 10 °C by default); an adiabatic element (IOS 4) takes none.
inline std::string Opaque(const std::string& code, const std::string& construction, double area, int ios,
                          double orientation, double slope, const std::string& boundary = "") {
    std::string line = code + "," + construction + "," + Number(area) + "," + std::to_string(ios) + "," +
                       Number(orientation) + "," + Number(slope);
    switch (ios) {
        case 1: return line + "," + (boundary.empty() ? "-1" : boundary) + ",,0,12,0,0,1,,0\n";
        case 3: return line + "," + boundary + ",,,0,0,0,0,0,0,1\n";
        case 5: return line + "," + (boundary.empty() ? "10" : boundary) + ",,,0,,8,0,0,1\n";
        default: return line + "\n";
    }
}

// A glazed element line: `boundary` as for Opaque (IOS 1 and 3), or
// "<plane>,<zone>" for glazing between zones with a shading plane (IOS 6).
inline std::string Glazed(const std::string& code, const std::string& construction, double area, int ios,
                          double orientation, double slope, const std::string& boundary = "") {
    const std::string line = code + "," + construction + "," + Number(area) + "," + std::to_string(ios) + "," +
                             Number(orientation) + "," + Number(slope) + ",";
    if (ios == 1) return line + (boundary.empty() ? "-1" : boundary) + ",,0,False,0,,,0,,,1.5,2,1\n";
    return line + boundary + ",0,0,1\n";
}

// A vertical outside window.
inline std::string Window(const std::string& construction, double area, double orientation, int plane = -1) {
    return Glazed("G", construction, area, 1, orientation, 90, std::to_string(plane));
}

// An air flow line; `boundary` is the IOS and its field ("3,<zone>").
inline std::string Air(const std::string& code, const std::string& schedule, double airChanges,
                       const std::string& boundary = "1") {
    return code + "," + schedule + "," + Number(airChanges) + "," + boundary + "\n";
}

// An equipment gain of `sensible` W with no metered fuel.
inline std::string Gain(double sensible, double radiantFraction, const std::string& schedule = "100") {
    return "EQ," + schedule + "," + Number(sensible) + ",0," + Number(radiantFraction) + ",-1,0\n";
}

// A box of floor area 50 m²: four 20 m² walls, a roof and (optionally) a
// ground floor of 50 m².
inline std::string BoxElements(const std::string& wall = "WALL", const std::string& roof = "ROOF",
                               bool ground = true) {
    std::string text;
    for (const double orientation : {0.0, 90.0, 180.0, 270.0}) text += Opaque("W", wall, 20, 1, orientation, 90);
    text += Opaque("R", roof, 50, 1, 0, 0);
    return ground ? text + Opaque("S", roof, 50, 5, 0, 180) : text;
}
inline std::string BoxWithoutGround() { return BoxElements("WALL", "ROOF", false); }

// ---- Emitters and plant ----------------------------------------------------

// A boiler or chiller that always runs, with flat curves and no losses but
// its conversion loss, %.
inline std::string AlwaysOnUnit(const std::string& kind, const std::string& key, const std::string& timer = "100",
                                const std::string& conversionLoss = "10") {
    return kind + "," + key + "\n" + timer + ",1,1000,100,0,100,0,0,0," + conversionLoss + "\nEnd\n";
}
inline std::string HeaterDefinitionRecord(const std::string& key, double maxHeatW, double radiantFraction) {
    return "HeaterDefinition," + key + "\n0," + Number(maxHeatW) + "," + Number(radiantFraction) + "\nEnd\n";
}
inline std::string CoolerDefinitionRecord(const std::string& key, double maxCoolKW, double radiantFraction) {
    return "CoolerDefinition," + key + "\n0," + Number(maxCoolKW) + "," + Number(radiantFraction) + "\nEnd\n";
}
// Emitter sub-records of a zone.
inline std::string HeaterLines(const std::string& definition, const std::string& setPoint,
                               const std::string& boiler = "B1", const std::string& storage = "") {
    return "Heater\n" + definition + ",x," + setPoint + "," + boiler + storage + "\nEnd\n";
}
inline std::string CoolerLines(const std::string& definition, const std::string& setPoint,
                               const std::string& chiller = "C1") {
    return "Cooler\n" + definition + ",x," + setPoint + "," + chiller + "\nEnd\n";
}

// ---- Zones -----------------------------------------------------------------

// The lines of a zone's sub-record, given as one text or as a list of lines.
struct Lines {
    std::string text;
    Lines() = default;
    Lines(std::string lines) : text(std::move(lines)) {}
    Lines(const char* lines) : text(lines) {}
    Lines(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) text += line;
    }
    Lines& operator+=(const std::string& more) {
        text += more;
        return *this;
    }
};

// A zone record. A `setPoint` marks the zone heated and gives it a radiator
// (heater Rad on boiler B1 of kLibrary); `emitters` holds any other emitter
// sub-records.
struct ZoneText {
    std::string key = "1";
    std::string setPoint;
    Lines opaque{}, glazed{}, airflow{}, gains{};
    std::string emitters{};  // emitter sub-records
    double floorArea = 50.0;
    double volume = 150.0;
    double perimeterArea = 10.0;
    std::string activity = "Office";

    std::string Text() const {
        std::string text = "Zone," + key + "\nZone " + key + "\n" + Number(floorArea) + "," + Number(volume) +
                           ",0,1," + Number(perimeterArea) + ",1002," + activity +
                           ",1,4,1.5,5,Text,3,1.5,2.5,3.5,More,4.5\n" +
                           (setPoint.empty() ? "0,0\n" : "1," + setPoint + "\n") + "0,24\n";
        const std::pair<const char*, const Lines*> lists[] = {
            {"OpaqueElements", &opaque}, {"GlazedElements", &glazed}, {"AirflowElements", &airflow}, {"Gains", &gains}};
        for (const auto& [keyword, lines] : lists)
            if (!lines->text.empty()) text += std::string(keyword) + "\n" + lines->text + "}\n";
        if (!setPoint.empty()) text += "Heater\nRad,x," + setPoint + ",B1\n}\n";
        return text + emitters + "}\n";
    }
};
inline std::string ZoneRecord(const ZoneText& zone) { return zone.Text(); }
inline std::string ZoneWithEmitters(ZoneText zone, const std::string& emitters) {
    zone.emitters += emitters;
    return zone.Text();
}

// ---- Libraries -------------------------------------------------------------

// The thermal tests' library:
//   WALL heavy external wall, ROOF heavy roof, PART heavy partition,
//   LIGHT external wall without mass, THIN external wall with a thin lining,
//   LPART partition without mass, GLZ double glazing, GLZL the same with
//   louvre L1 (scheduled at a constant 0), GLZ50 and GLZ51 with louvres scheduled at
//   50 % and 51 %.
inline std::string Library() {
    std::string text = "OpaqueMaterial,brick\nBrick\nMasonry,0.77,800,1700,,\nEnd\n"
                       "OpaqueMaterial,block\nBlock\nMasonry,1.13,1000,2000,,\nEnd\n"
                       "OpaqueMaterial,insul\nInsulation\nInsulation,0.035,1400,25,,\nEnd\n"
                       "OpaqueMaterial,board\nBoard without mass\nBoard,0.2,0,0,,\nEnd\n"
                       "OpaqueMaterial,foam\nFoam without mass\nInsulation,0.04,0,0,,\nEnd\n"
                       "OpaqueMaterial,plaster\nPlaster\nBoard,0.16,1000,950,,\nEnd\n"
                       "OpaqueConstruction,THIN\nThin lined wall\nW,2,0.6,0.9,0.9,0,0,0\nfoam,0.08,0,\nplaster,0.004,0,\nEnd\n"
                       "OpaqueConstruction,WALL\nHeavy wall\nW,3,0.6,0.9,0.9,0,0,0\nbrick,0.1,0,\ninsul,0.08,0,\nblock,0.1,0,\nEnd\n"
                       "OpaqueConstruction,ROOF\nHeavy roof\nR,2,0.7,0.9,0.9,0,0,0\ninsul,0.15,0,\nblock,0.15,0,\nEnd\n"
                       "OpaqueConstruction,PART\nHeavy partition\nP,1,0.5,0.9,0.9,0,0,0\nblock,0.1,0,\nEnd\n"
                       "OpaqueConstruction,LIGHT\nLight wall\nW,2,0.6,0.9,0.9,0,0,0\nboard,0.012,0,\nfoam,0.08,0,\nEnd\n"
                       "OpaqueConstruction,LPART\nLight partition\nP,1,0.5,0.9,0.9,0,0,0\nboard,0.025,0,\nEnd\n";
    for (const char* louvre : {"L1\n0", "L50\n50", "L51\n51"})
        text += std::string("Louvre,") + louvre + "\n0.5,0.5,0.4,0.3,0.2,0.1,0.1\nEnd\n";
    auto glazing = [](const std::string& key, const std::string& louvre) {
        return "GlazedConstruction," + key + "\n" + key + "\nEW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.75," + louvre +
               ",0,0\nEnd\n";
    };
    text += glazing("GLZ50", "L50") + glazing("GLZ51", "L51") + glazing("GLZ", "") + glazing("GLZL", "L1");
    return text;
}

// The compliance and report tests' library, with figures easy to check by hand:
//  WALL  brick 0.2 m;  THIN  plasterboard 12.5 mm (a poor wall);
//  LEAKY a wall worse than any other (never the worst when it must not count);
//  ROOF  mineral wool 0.2 m;  FLOOR brick 0.15 m;  DOOR timber-like board;
//  GLZ   glazing U 1.6, no frame;  FRAMED the same with a 20 % frame;
//  RLT   rooflight U 2.2;  radiator Rad on boiler B1.
inline const char* kLibrary =
    "OpaqueMaterial,BRK\nBrick\nMasonry,0.77,800,1700,0.2,0.25\n-\n"
    "OpaqueMaterial,INS\nMineral wool\nInsulation,0.04,1030,30,1.2,1.3\n-\n"
    "OpaqueMaterial,PB\nPlasterboard\nBoards,0.21,1000,700,0.1,\n-\n"
    "OpaqueMaterial,CU\nCopper\nMetal,380,400,8900,,\n-\n"
    "OpaqueConstruction,WALL\nWall\nW,1,0.7,0.9,0.9,0,0,80\nBRK,0.2,0,\n-\n"
    "OpaqueConstruction,THIN\nThin wall\nW,1,0.7,0.9,0.9,0,0,10\nPB,0.0125,0,\n-\n"
    "OpaqueConstruction,LEAKY\nLeaky wall\nW,1,0.7,0.9,0.9,0,0,0\nCU,0.001,0,\n-\n"
    "OpaqueConstruction,ROOF\nRoof\nR,1,0.7,0.9,0.9,0,0,50\nINS,0.2,0,\n-\n"
    "OpaqueConstruction,FLOOR\nFloor\nS,1,0.7,0.9,0.9,0,0,60\nBRK,0.15,0,\n-\n"
    "OpaqueConstruction,DOOR\nDoor\nD,1,0.7,0.9,0.9,0,0,0\nPB,0.05,0,\n-\n"
    "GlazedConstruction,GLZ\nGlazing\nEW,1.6,2,0,0.84,0.84,0,0,0.6,0.5,0.7,,25,300\n-\n"
    "GlazedConstruction,FRAMED\nFramed glazing\nEW,1.6,2,20,0.84,0.84,0,0,0.6,0.5,0.7,,25,300\n-\n"
    "GlazedConstruction,RLT\nRooflight\nRL,2.2,2,0,0.84,0.84,0,0,0.6,0.5,0.7,,25,300\n-\n"
    "HeaterDefinition,Rad\n0,3000,0.3\n-\n"
    "Boiler,B1\n100,1,40,100,250,100,5,2,1,10\n-\n";

// ---- The export tests' small model ----------------------------------------

// The 47 texts of the site record's first line; `overrides` replaces the
// texts at the given 1-based positions.
inline std::string SiteTexts(const std::vector<std::pair<int, std::string>>& overrides = {}) {
    std::vector<std::string> texts(47);
    for (int i = 0; i < 47; ++i) texts[static_cast<size_t>(i)] = std::string("T").append(std::to_string(i + 1));
    for (const auto& [position, text] : overrides) texts[static_cast<size_t>(position - 1)] = text;
    std::string line;
    for (const std::string& text : texts) {
        if (!line.empty()) line.push_back(',');
        line.append(text);
    }
    return line;
}

// The site record's second line: the CasaClima building block, the model
// path and the SBEM details.
inline std::string SiteValues(const std::string& modelPath = "C:\\Projects\\Villa.vlr") {
    return "1200,6.5,3,1,2,Bolzano,Merano,325,2900,-8,70,20,50,183,14,10,22," + modelPath +
           ",No,12,APPROX,Yes,ignored,1,No,0,15,1,0,1,0,x,x,x,x,x,x,1.5,0.4,2,0.95,1,3,last";
}

// A small model: three materials, a three-layer wall, a ground floor, an
// unused roof, one glazing, two zones with walls, a ground floor, a
// partition, a window and infiltration, and one HVAC system. Its lines are
// fixed: the export tests compare files written from it byte for byte.
inline std::string SmallModelText(const std::string& siteTexts = SiteTexts(),
                                  const std::string& officeName = "Office") {
    std::ostringstream m;
    m << "Site\n" << siteTexts << "\n" << SiteValues() << "\n-\n";
    m << "OpaqueMaterial,PLA\nPlaster\nFinishes,0.57,1000,1300\n-\n";
    m << "OpaqueMaterial,BRK\nBrick\nMasonry,0.77,800,1700\n-\n";
    m << "OpaqueMaterial,INS\nMineral wool\nInsulation,0.035,1030,25\n-\n";
    m << "OpaqueConstruction,ROOF\nUnused roof\nR,1,0.7,0.9,0.9,0,0,0\nINS,0.2,0,\n-\n";
    m << "OpaqueConstruction,FLR\nGround floor\nS,1,0.7,0.9,0.9,0,0,0\nBRK,0.2,0,\n"
         "USE-PRE-CALCULATED-U-VALUE,0.25,100,0,1\n-\n";
    m << "OpaqueConstruction,WALL\nExternal wall\nW,3,0.7,0.9,0.9,0,0,0\nBRK,0.1,0,\nINS,0.08,0,\nPLA,0.015,0,\n"
         "USE-PRE-CALCULATED-U-VALUE,0.35,50,1,0\n-\n";
    m << "GlazedConstruction,DG\nDouble glazing\nEW,2.8,2,10,0.84,0.84,0,0,0.7,0.6,0.8,,0,0\n-\n";
    m << "SBEMHVACSystem,H1\nHeat pump system,Split,Heat pump,Electricity,Electricity,3.2,4.1,1.5,None,0\n-\n";
    m << "Zone,1\n" << officeName << "\n100,300,0,1,0,1,Office,1,4,0,5,,3,0,0,0,,0\n1,21\n0,25\nSBEMHVAC,H1\n"
      << "OpaqueElements\nW,WALL,20,1,337.6,90,-1,,0,0,0,0,0,,0\nS,FLR,100,5,0,180,12,,,0,,0,0,0,0\n"
         "P,WALL,10,3,90,90,2,,,0,0,0,0,0,0,0\n}\n"
      << "GlazedElements\nG,DG,4,1,22.6,90,-1,,0,False,0,,,0,,,0,0,0\n}\n"
      << "AirflowElements\nI,100,0.5,1\n}\n}\n";
    m << "Zone,2\nStore\n50,150,0,1,0,1,Office,1,4,0,5,,3,0,0,0,,0\n0,15.5\n0,25\nSBEMHVAC,H1\n"
      << "OpaqueElements\nW,WALL,15,1,180,90,-1,,0,0,0,0,0,,0\n}\n}\n";
    return m.str();
}

// ---- Engines that read model text -----------------------------------------

// Reads `text` as a model document into `state`.
inline void ReadModel(EngineState& state, const std::string& text) {
    state.reader.OpenText(text, "test model");
    state.site->Read(XmlElement(), XmlElement());
    state.reader.Close();
}

inline bool Mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// A fresh engine whose error dialog records its texts.
struct RecordingState {
    EngineState state;
    std::vector<std::string> errors;

    RecordingState() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    // Opens `text` and positions the reader after the keyword of its first line.
    LineReader& Open(const std::string& text) {
        state.reader.OpenText(text);
        state.reader.NextLine();
        state.reader.NextString();
        return state.reader;
    }
    bool HasError(const std::string& part) const { return Mentions(errors, part); }
};

// A cloud value beyond the overcast 8 oktas at which walls and roofs lose
// nothing to the sky: weather without long-wave loss, for steady states.
constexpr int16_t kWarmSky = 10;

// A fresh engine holding Library() and the model `zonesText`, its errors
// recorded, on constant weather of 5 °C from 15 °C, that steps the zones as
// the engine object drives them.
struct Engine {
    EngineState state;
    std::vector<std::string> errors;

    explicit Engine(const std::string& zonesText, int32_t timeStep = 10) {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        ReadModel(state, Library() + zonesText);
        state.clock.SetTimeStep(timeStep);
        state.clock.initialTemperature = 15.0f;
        state.settings.emitterControlValue = 0.5f;  // control radiant fraction
        state.settings.resultStoreValue = 0.5f;     // comfort radiant weight
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

    void Step() {
        state.zones->InitTimeStep();
        state.zones->SimulateStep();
        state.zones->EndStep();
    }

    // Runs whole days of steps; `weather(hour)` may set the weather before
    // each step, `after()` looks at each solved step.
    void RunDays(int days, const std::function<void(float)>& weather = {}, const std::function<void()>& after = {}) {
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

// Conductance of a zone's circuit from the air node to the outside at steady
// state: air flows, and the air-to-environment link in series with the
// light elements and the mass path.
inline double CircuitConductance(const Zone& z) {
    auto series = [](double a, double b) { return 1.0 / (1.0 / a + 1.0 / b); };
    return z.step.SIGKA + z.K3 + series(z.K4, z.K5 + series(z.K2, z.K1));
}

// An Engine that runs the plant around the zones: InitTimeStep, the zones, Solve.
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
                    state.clock.decimalHour = static_cast<float>(h) + (s + 0.5f) / static_cast<float>(perHour);
                    PlantStep();
                }
        }
    }
    float ControlTemperature(const Zone& zone) const {
        const float rf = state.settings.emitterControlValue;
        return (1.0f - rf) * zone.step.Ta2 + rf * zone.step.Tr2;
    }
};

// A fresh engine read through its own control, errors and messages recorded;
// its temporary files go to a folder of its own, removed afterwards.
struct TestEngine {
    EngineState state;
    SimulateX control{state};
    std::vector<std::string> errors;
    std::vector<std::string> messages;
    std::filesystem::path folder;

    TestEngine() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kz7-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) folder = pattern;
        state.settings.temporaryFolder = folder.string();
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        control.MessageChange = [this](std::string& text) { messages.push_back(text); };
    }
    ~TestEngine() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    TestEngine(const TestEngine&) = delete;
    TestEngine& operator=(const TestEngine&) = delete;
    bool Read(const std::string& text) {
        control.SetInputData(text);
        return control.ReadInputData();
    }
    // kLibrary, `extra` records and the zones.
    bool Read(const std::vector<ZoneText>& zones, const std::string& extra = "") {
        std::string text = kLibrary + extra;
        for (const ZoneText& zone : zones) text += zone.Text();
        return Read(text);
    }
    bool HasError(const std::string& part) const { return Mentions(errors, part); }
};

}  // namespace kz7::test
