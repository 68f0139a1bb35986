#pragma once
// The run behind `kz7 simulate`, callable on its own (the benchmarks time it):
// read the model, run the annual simulation, store every record in the result
// database and gather the summary.
#include <cstdint>
#include <functional>
#include <optional>

#include "ModelRun.h"
#include "RunSummary.h"

namespace kz7::app {

// What the run stores besides the model's own output options.
enum class Resolution { Timestep, Hourly, Daily };

struct SimulateResult {
    int exitCode = 0;
    StoredRun stored;                   // the run's number and what it stored
    std::optional<RunSummary> summary;  // set once the run has begun
};

// `onStored` is called once the run is stored as finished (even when the
// engine reported errors), before any HTML report is written.
SimulateResult SimulateAndStore(
    const ModelRunOptions& options, Resolution resolution,
    const std::function<void(const SimulateResult&)>& onStored = nullptr);

}  // namespace kz7::app
