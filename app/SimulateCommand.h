#pragma once
// The run behind `kz7 simulate`, callable on its own (the benchmarks time it):
// read the model, run the annual simulation, store every record in the result
// database and gather the summary.
#include <cstdint>
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

SimulateResult SimulateAndStore(const ModelRunOptions& options, Resolution resolution);

}  // namespace kz7::app
