#pragma once
// Small model documents for the Part L and report tests, read through the
// control into a fresh engine whose error dialog and messages are recorded.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"

namespace kz7::test {

// Materials, constructions and glazing the test zones use.
//  WALL  brick 0.2 m;  THIN  plasterboard 12.5 mm (a poor wall);
//  LEAKY a wall worse than any other (never the worst when it must not count);
//  ROOF  mineral wool 0.2 m;  FLOOR brick 0.15 m;  DOOR timber-like board;
//  GLZ   glazing U 1.6, no frame;  FRAMED the same with a 20 % frame;
//  RLT   rooflight U 2.2.
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

inline std::string Number(double value) {
    std::string text = std::to_string(value);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// An opaque element line: outside (IOS 1), to zone `neighbour` (IOS 3) or
// on a scheduled ground temperature of 10 °C (IOS 5).
inline std::string Opaque(const std::string& code, const std::string& construction, double area,
                          int ios, double orientation, double slope,
                          const std::string& neighbour = "") {
    std::string line = code + "," + construction + "," + Number(area) + "," + std::to_string(ios) +
                       "," + Number(orientation) + "," + Number(slope) + ",";
    if (ios == 3) return line + neighbour + ",,,0,0,0,0,0,0,1\n";
    if (ios == 5) return line + "10,,,0,,8,0,0,1\n";
    return line + "1,,0,12,0,0,1,,0\n";
}

inline std::string Glazed(const std::string& code, const std::string& construction, double area,
                          int ios, double orientation, double slope,
                          const std::string& neighbour = "") {
    std::string line = code + "," + construction + "," + Number(area) + "," + std::to_string(ios) +
                       "," + Number(orientation) + "," + Number(slope) + ",";
    if (ios == 3) return line + neighbour + ",0,0,1\n";
    return line + "1,,0,False,0,,,0,,,1.5,2,1\n";
}

struct ZoneText {
    std::string key;
    std::string setPoint;  // heater set point schedule; empty: no heater
    std::vector<std::string> opaque;
    std::vector<std::string> glazed;
    double perimeterArea = 10.0;
    double floorArea = 50.0;
    std::string activity = "Office";

    std::string Text() const {
        std::string text = "Zone," + key + "\n" + key + " room\n" + Number(floorArea) +
                           ",150,0.1,1," + Number(perimeterArea) + ",1002," + activity +
                           ",1,4,1.5,5,Text,3,1.5,2.5,3.5,More,4.5\n" +
                           (setPoint.empty() ? "0,0\n" : "1," + setPoint + "\n") + "0,24\n";
        if (!opaque.empty()) {
            text += "OpaqueElements\n";
            for (const std::string& line : opaque) text += line;
            text += "}\n";
        }
        if (!glazed.empty()) {
            text += "GlazedElements\n";
            for (const std::string& line : glazed) text += line;
            text += "}\n";
        }
        if (!setPoint.empty()) text += "Heater\nRad,x," + setPoint + ",B1\n}\n";
        return text + "}\n";
    }
};

struct TestEngine {
    EngineState state;
    SimulateX control{state};
    std::vector<std::string> errors;
    std::vector<std::string> messages;
    // The engine's temporary files (model texts, reports) go to a folder of
    // the test's own, removed afterwards.
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
    bool Read(const std::vector<ZoneText>& zones, const std::string& extra = "") {
        std::string text = kLibrary + extra;
        for (const ZoneText& zone : zones) text += zone.Text();
        return Read(text);
    }
    bool HasError(const std::string& part) const {
        for (const std::string& error : errors)
            if (error.find(part) != std::string::npos) return true;
        return false;
    }
};

}  // namespace kz7::test
