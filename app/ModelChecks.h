#pragma once
// The checks that a model must pass before its Part L figures or its report
// mean anything, and the query commands' way of loading it.
#include <string>
#include <vector>

namespace kz7 {
class EngineState;
class OpaqueConstruction;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

// Loads `model` (LoadModel) with the engine's messages and errors shown on
// standard error as they come; false, with the reason there, when it cannot be read.
bool LoadModelShowingMessages(SimulateX& control, const std::string& model,
                              const std::string& support);

// The whole text of `path`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

// "construction K has no layers" when it has neither layers nor a
// pre-calculated U-value; empty otherwise.
std::string LayerProblem(const OpaqueConstruction& construction);

// Everything that makes the model unfit for Part L figures or a report:
// no zones, zones without elements, constructions without layers.
std::vector<std::string> ModelProblems(const EngineState& state);

// What makes a simulation or design run of the model meaningless: no zones,
// a zone without volume (its air has no heat capacity). `warnings` receives
// what the run survives but the user should hear: a zone without floor area
// (its gains per area and its share of building averages are nil).
std::vector<std::string> RunProblems(const EngineState& state, std::vector<std::string>& warnings);

// Prints the problems, naming the model, to standard error; true when there were any.
bool ReportProblems(const std::string& model, const std::vector<std::string>& problems);

}  // namespace kz7::app
