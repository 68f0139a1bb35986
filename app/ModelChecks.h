#pragma once
// Loading a model for the query commands and the checks that a model must
// pass before its Part L figures or its report mean anything.
#include <string>
#include <vector>

namespace kz7 {
class EngineState;
class OpaqueConstruction;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

// Reads `model` through `control` with the support folder `support`; the
// engine's messages go to standard error. False (with a message) when the
// model cannot be read.
bool LoadModel(SimulateX& control, const std::string& model, const std::string& support);

// The whole text of `path`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

// "construction K has no layers" when it has neither layers nor a
// pre-calculated U-value; empty otherwise.
std::string LayerProblem(const OpaqueConstruction& construction);

// Everything that makes the model unfit for Part L figures or a report:
// no zones, zones without elements, constructions without layers.
std::vector<std::string> ModelProblems(const EngineState& state);

// Prints the problems, naming the model, to standard error; true when there were any.
bool ReportProblems(const std::string& model, const std::vector<std::string>& problems);

}  // namespace kz7::app
