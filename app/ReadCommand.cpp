// kz7 read MODEL [--support DIR]: reads a model through the control and
// reports the engine's messages and what was read.
#include <fmt/core.h>

#include <memory>
#include <string>

#include "Commands.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "ShadingRecords.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/input/Site.h"
#include "kz7/model/Building.h"
#include "kz7/model/Zone.h"

namespace kz7::app {

namespace {

struct ReadOptions {
    std::string model;
    std::string support;
    bool strict = false;
};

void PrintWhatWasRead(const EngineState& state) {
    const RunClock& clock = state.clock;
    const SimulationPeriod& period = clock.period;
    fmt::print("building: {}\n", state.building->Key.empty() ? "(none)" : state.building->Key);
    fmt::print("site texts: {}\n", state.site->Texts.size());
    fmt::print("zones: {}\n", state.zones->Count());
    fmt::print("time step: {} min\n", clock.timeStep);
    fmt::print("period: {}/{} to {}/{}\n", period.startDay, period.startMonth, period.endDay,
               period.endMonth);
    fmt::print("output detail code: {}\n", state.settings.outputDetailCode);
}

int RunRead(const ReadOptions& options) {
    ModelMessages messages;
    SimulateX control;
    control.MessageChange = [](std::string& message) { fmt::print("{}\n", message); };
    messages.Connect(control.State(), options.support, true);
    // Read as every command reads a model, the reason of a failure included.
    if (const std::string problem = LoadModel(control, options.model, options.support);
        !problem.empty()) {
        ShowProblem(problem);
        return kExitFailed;
    }
    if (StopsForStrict(options.model, messages, options.strict)) return kExitFailed;
    PrintWhatWasRead(control.State());
    return ExitAfterModelErrors(kExitOk, options.model, messages, nullptr, false);
}

}  // namespace

void RegisterReadCommand(CLI::App& app) {
    auto options = std::make_shared<ReadOptions>();
    CLI::App* command = app.add_subcommand("read", "Read a model and report what it holds");
    command->add_option("MODEL", options->model, "Model document")->required();
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    AddStrictOption(*command, options->strict);
    command->callback([options] { SetExitCode(RunRead(*options)); });
}

}  // namespace kz7::app
