// kz7 simulate MODEL: the annual simulation, every record stored in the result
// database, and a summary per zone and for the building.
#include "SimulateCommand.h"

#include <fmt/core.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "Commands.h"
#include "JsonOutput.h"
#include "ResultTables.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

namespace {

struct SimulateOptions {
    ModelRunOptions run;
    bool timestep = false;
    bool hourly = false;
    bool daily = false;

    // Hourly unless another is asked for: the occupied hours above 25 and
    // 28 °C need the hourly records.
    Resolution Chosen() const {
        if (timestep) return Resolution::Timestep;
        if (daily && !hourly) return Resolution::Daily;
        return Resolution::Hourly;
    }
};

void SetResolution(SimulateX& control, Resolution resolution) {
    control.SetTimeSteplyResults(resolution == Resolution::Timestep);
    control.SetHourlyResults(resolution != Resolution::Daily);
    control.SetDailyResults(resolution == Resolution::Daily);
}

void PrintSummary(const ModelRunOptions& options, const RunSummary& summary, int64_t runId) {
    if (options.json) {
        nlohmann::json json = summary.Json();
        json["run"] = runId;
        json["database"] = options.db;
        json["model"] = options.model;
        json["status"] = "finished";
        fmt::print("{}\n", JsonText(json));
        return;
    }
    fmt::print("Run {} stored in {}\n\n{}", runId, options.db, summary.Table());
}

// The summary of every run stored as finished, also one that ends with
// exit code 3 for the errors the engine reported or an HTML report that
// could not be written.
int RunSimulate(const SimulateOptions& options) {
    return SimulateAndStore(options.run, options.Chosen(),
                            [&options](const SimulateResult& stored) {
                                PrintSummary(options.run, *stored.summary, stored.stored.runId);
                            })
        .exitCode;
}

}  // namespace

SimulateResult SimulateAndStore(const ModelRunOptions& options, Resolution resolution,
                                const std::function<void(const SimulateResult&)>& onStored) {
    SimulateResult result;
    ModelRun run;
    const EngineState* state = nullptr;
    run.command = "simulate";
    run.prepare = [&](SimulateX& control) { SetResolution(control, resolution); };
    run.run = [&](SimulateX& control) {
        state = &control.State();
        result.summary.emplace(ZoneRows(*state));
        control.Simulate();
    };
    // A record comes at the end of its interval, while the run clock still
    // stands on its day: the day's weight on a reduced tape is that of the
    // clock's month and day type (1 on an EPW file).
    run.onRecord = [&](const ResultRecord& record) {
        result.summary->Add(record,
                            state->weather->DayWeight(state->clock.month, state->clock.dayType));
    };
    run.summary = [&] { return result.summary->Rows(); };
    run.report = [&](SimulateX&, const StoredRun& stored) {
        result.stored = stored;
        if (onStored) onStored(result);
    };
    result.exitCode = RunModel(options, run);
    return result;
}

void RegisterSimulateCommand(CLI::App& app) {
    auto options = std::make_shared<SimulateOptions>();
    CLI::App* command = app.add_subcommand(
        "simulate", "Run the annual simulation, store the results and print a summary");
    AddModelRunOptions(*command, options->run);
    CLI::Option* timestep =
        command->add_flag("--timestep", options->timestep, "Store time-step and hourly records");
    CLI::Option* hourly =
        command->add_flag("--hourly", options->hourly, "Store hourly records (the default)");
    CLI::Option* daily =
        command->add_flag("--daily", options->daily, "Store daily records instead of hourly");
    timestep->excludes(hourly)->excludes(daily);
    hourly->excludes(daily);
    command->callback([options] { SetExitCode(RunSimulate(*options)); });
}

}  // namespace kz7::app
