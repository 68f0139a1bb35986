// kz7 simulate MODEL: the annual simulation, every record stored in the result
// database, and a summary per zone and for the building.
#include <fmt/core.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "Commands.h"
#include "ModelRun.h"
#include "ResultTables.h"
#include "RunSummary.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"

namespace kz7::app {

namespace {

// What the run stores besides the model's own output options.
enum class Resolution { Timestep, Hourly, Daily };

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

void PrintSummary(const SimulateOptions& options, const RunSummary& summary, int64_t runId) {
    if (options.run.json) {
        nlohmann::json json = summary.Json();
        json["run"] = runId;
        json["database"] = options.run.db;
        json["model"] = options.run.model;
        json["status"] = "finished";
        fmt::print("{}\n", json.dump(2));
        return;
    }
    fmt::print("Run {} stored in {}\n\n{}", runId, options.run.db, summary.Table());
}

int RunSimulate(const SimulateOptions& options) {
    std::optional<RunSummary> summary;
    ModelRun run;
    run.command = "simulate";
    run.prepare = [&](SimulateX& control) { SetResolution(control, options.Chosen()); };
    run.run = [&](SimulateX& control) {
        summary.emplace(ZoneRows(control.State()));
        control.Simulate();
    };
    run.onRecord = [&](int16_t interval, int32_t zone, const ValueArray& values) {
        summary->Add(interval, zone, values);
    };
    run.report = [&](SimulateX&, int64_t runId) { PrintSummary(options, *summary, runId); };
    return RunModel(options.run, run);
}

}  // namespace

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
