#pragma once
// Shared ground of the export tests: a fresh folder, a small model read
// through the engine's reader, and a watchdog that keeps a hung child from
// hanging a test.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/input/Site.h"
#include "kz7/platform/XmlElement.h"

namespace kz7::test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    explicit TempFolder(const std::string& stem = "kz7-export") {
        std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path path;
};

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
// partition, a window and infiltration, and one HVAC system.
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
    for (const auto& [key, name] : {std::pair<std::string, std::string>{"1", officeName}, {"2", "Store"}}) {
        const bool office = key == "1";
        m << "Zone," << key << "\n" << name << "\n";
        m << (office ? "100,300" : "50,150") << ",0,1,0,1,Office,1,4,0,5,,3,0,0,0,,0\n";
        m << (office ? "1,21\n" : "0,15.5\n") << "0,25\n";
        m << "SBEMHVAC,H1\n";
        m << "OpaqueElements\n";
        if (office) {
            m << "W,WALL,20,1,337.6,90,-1,,0,0,0,0,0,,0\n";
            m << "S,FLR,100,5,0,180,12,,,0,,0,0,0,0\n";
            m << "P,WALL,10,3,90,90,2,,,0,0,0,0,0,0,0\n";
        } else {
            m << "W,WALL,15,1,180,90,-1,,0,0,0,0,0,,0\n";
        }
        m << "}\n";
        if (office) m << "GlazedElements\nG,DG,4,1,22.6,90,-1,,0,False,0,,,0,,,0,0,0\n}\n";
        if (office) m << "AirflowElements\nI,100,0.5,1\n}\n";
        m << "}\n";
    }
    return m.str();
}

// Reads `text` as a model document into `state`.
inline void ReadModel(EngineState& state, const std::string& text) {
    state.reader.OpenText(text, "test-model");
    state.site->Read(XmlElement(), XmlElement());
    state.reader.Close();
}

// Kills the test's child processes (by their ids) once `limit` has passed,
// called from the engine's yield while a tool runs; a hung fake tool then
// fails its test instead of hanging it.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit) : deadline_(std::chrono::steady_clock::now() + limit) {}
    void Check() {
        if (std::chrono::steady_clock::now() < deadline_) return;
        fired = true;
        for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task")) {
            std::ifstream children(task.path() / "children");
            pid_t pid = 0;
            while (children >> pid) ::kill(pid, SIGKILL);
        }
    }
    bool fired = false;

  private:
    std::chrono::steady_clock::time_point deadline_;
};

// Puts `folder` first on the PATH for the life of the object.
class PathPrefix {
  public:
    explicit PathPrefix(const fs::path& folder) {
        const char* path = ::getenv("PATH");
        saved_ = path != nullptr ? path : "";
        ::setenv("PATH", (folder.string() + ":" + saved_).c_str(), 1);
    }
    ~PathPrefix() { ::setenv("PATH", saved_.c_str(), 1); }
    PathPrefix(const PathPrefix&) = delete;
    PathPrefix& operator=(const PathPrefix&) = delete;

  private:
    std::string saved_;
};

}  // namespace kz7::test
