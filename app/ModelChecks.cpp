#include "ModelChecks.h"

#include <fmt/core.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "ModelFile.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Zone.h"

namespace kz7::app {

bool LoadModelShowingMessages(SimulateX& control, const std::string& model,
                              const std::string& support) {
    control.MessageChange = [](std::string& message) { fmt::print(stderr, "{}\n", message); };
    const std::string problem = LoadModel(control, model, support);
    if (problem.empty()) return true;
    fmt::print(stderr, "{}\n", problem);
    return false;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return !file.bad();
}

std::string LayerProblem(const OpaqueConstruction& construction) {
    if (construction.LayerList.Count() > 0 || construction.UsesPreCalculatedUValue) return {};
    return "construction " + construction.Key + " has no layers";
}

std::vector<std::string> ModelProblems(const EngineState& state) {
    std::vector<std::string> problems;
    if (state.zones->Count() == 0) problems.emplace_back("the model has no zones");
    for (const Zone& zone : *state.zones)
        if (zone.elements.Count() == 0) problems.push_back("zone " + zone.Key + " has no elements");
    for (const OpaqueConstruction& construction : *state.opaqueConstructions) {
        std::string problem = LayerProblem(construction);
        if (!problem.empty()) problems.push_back(std::move(problem));
    }
    return problems;
}

std::vector<std::string> RunProblems(const EngineState& state, std::vector<std::string>& warnings) {
    std::vector<std::string> problems;
    if (state.zones->Count() == 0) problems.emplace_back("the model has no zones");
    for (const Zone& zone : *state.zones) {
        if (!(zone.Volume > 0.0f) || !std::isfinite(zone.Volume))
            problems.push_back("zone " + zone.Key + " has no volume");
        if (!(zone.FloorArea > 0.0f) || !std::isfinite(zone.FloorArea))
            warnings.push_back("zone " + zone.Key + " has no floor area");
    }
    return problems;
}

bool ReportProblems(const std::string& model, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) fmt::print(stderr, "{}: {}\n", model, problem);
    return !problems.empty();
}

}  // namespace kz7::app
