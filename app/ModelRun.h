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

#include "kz7/control/OutputData.h"

namespace kz7 {
class SimulateX;
}

namespace kz7::app {

struct ModelRunOptions {
    std::string model;
    std::string support;
    std::string db = "results.db";
    bool quiet = false;
    bool json = false;
    std::string html;  // the run's HTML report, written when the run finishes
    bool strict = false;  // a model with errors is not run
};

// Adds MODEL, --support, --db, --json, --quiet, --html and --strict to `command`.
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
    std::function<void(int16_t interval, int32_t zone, const ValueArray& values)> onRecord;
    // After a finished run: print what the command prints.
    std::function<void(SimulateX&, const StoredRun&)> report;
};

// Runs `run` on the model of `options`; returns the exit code (3 when the
// model had errors and the run went on; 1, without running, with --strict).
int RunModel(const ModelRunOptions& options, const ModelRun& run);

}  // namespace kz7::app
