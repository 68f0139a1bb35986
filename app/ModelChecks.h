#pragma once
// The checks that a model must pass before its Part L figures or its report
// mean anything, and the query commands' way of loading it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kz7 {
class EngineState;
class OpaqueConstruction;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

class HostShading;
class ModelMessages;

// A model a command reads: its file, the support folder and --strict.
struct ModelInput {
    std::string model;
    std::string support;
    bool strict = false;
};

// Adds MODEL, --support and --strict to `command`.
void AddModelInputOptions(CLI::App& command, ModelInput& input);

// Loads the model (LoadModel) with the engine's messages, errors and
// warnings shown on standard error as they come, then runs `work` and
// returns its exit code, or 3 when it succeeded on a model with errors.
// Returns 1 without running `work` when the model cannot be read, or has
// errors and `strict` is set.
int WithModel(SimulateX& control, const ModelInput& input, const std::function<int()>& work);

// Reads the model as `inspect` and `check` see it: every problem of the
// read into `messages` (none shown), the references between zones, what
// refuses a run (RunProblems: errors; its warnings as warnings) and,
// when an EPW file drives the simulation, its header against the model's
// "Location". Returns LoadModel's reason when the model cannot be read.
std::string CheckModel(SimulateX& control, const ModelInput& input, ModelMessages& messages,
                       std::shared_ptr<const HostShading>* shading = nullptr);

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
