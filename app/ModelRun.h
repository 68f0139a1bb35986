#pragma once
// What `kz7 simulate`, `kz7 heatloss` and `kz7 heatgain` share: read the
// model through the control, check its weather file, open the result
// database, run the engine with a RunSession and store every record.
//
// Bad input never leaves a half-written database: the model and its weather
// are checked before the database is opened, and a database that cannot be
// opened is left as it was.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <string>

#include <utility>
#include <vector>

#include "ResultDatabase.h"
#include "RunSession.h"
#include "kz7/control/OutputData.h"

namespace kz7 {
class EngineState;
class SimulateX;
}

namespace kz7::app {

struct ModelRunOptions {
    std::string model;
    std::string support;
    std::string db = "results.db";
    bool quiet = false;
    bool verbose = false;  // the engine's day messages too
    bool json = false;
    std::string html;                     // the run's HTML report, written when the run finishes
    std::string label;                    // --label
    std::vector<std::string> parameters;  // --param key=value, as given
    bool strict = false;                  // a model with errors is not run
    // An EPW file to run on instead of the model's weather; empty for the
    // model's own.
    std::string weather;
    // Where messages and failures go and what interrupts the run, for hosts
    // other than the command line.
    RunHooks hooks;
};

// Adds MODEL, --support, --db, --json, --quiet, --verbose, --html, --label,
// --param and --strict to `command`.
void AddModelRunOptions(CLI::App& command, ModelRunOptions& options);

// What a finished run left in the result database.
struct StoredRun {
    int64_t runId = 0;
    int64_t records = 0;
    int64_t values = 0;
};

struct ModelRun {
    std::string command;  // "simulate", "heatloss", "heatgain"
    // Set the control's flags before the model is read.
    std::function<void(SimulateX&)> prepare;
    // Start the run (control.Simulate(), HeatLoss(), HeatGain()).
    std::function<void(SimulateX&)> run;
    // Every record the run sends, after it is stored.
    std::function<void(const ResultRecord& record)> onRecord;
    // After the run, before it is marked finished: its summary lines.
    std::function<std::vector<SummaryRow>()> summary;
    // After a finished run: print what the command prints.
    std::function<void(SimulateX&, const StoredRun&)> report;
};

// The --param texts as (key, value) pairs; a text without "=" or with an
// empty or repeated key gives the reason in `problem`.
std::vector<std::pair<std::string, std::string>> ParseParameters(
    const std::vector<std::string>& texts, std::string& problem);

// The weather file a simulation of the model read into `state` will open:
// the EPW file the model names (searched as the engine does) or the reduced
// tape in the support folder; empty when none of the places holds it.
std::string WeatherFileOf(const EngineState& state);

// Why WeatherFileOf is empty: `weather file "NAME" not found; looked for A, B`.
std::string WeatherNotFound(const EngineState& state);

// Makes the model read into `state` run on the EPW file `file` instead of
// its own weather source.
void UseEpwWeather(EngineState& state, const std::string& file);

// Runs `run` on the model of `options`; returns the exit code (3 when the
// model had errors and the run went on; 1, without running, with --strict).
int RunModel(const ModelRunOptions& options, const ModelRun& run);

}  // namespace kz7::app
