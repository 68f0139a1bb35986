#pragma once
// Running the variants of a BatchPlan: each one an annual hourly simulation
// on an engine state of its own, stored as one run in the result database.
//
// RunVariant runs one variant on the calling thread and is all a host needs
// to spread a plan over workers of its own (each with its own database
// connection); BatchRunner spreads a plan over threads of this process.
//
// Threads share nothing but the plan (read only), the stop flag and the
// writer: every worker has its own EngineState and control. The engine keeps
// no mutable state outside its EngineState (docs/engine.md, "Several engines
// in one process"). With one job, the worker writes its runs itself; with
// more, the workers hand their runs' parts, encoded, to one writer thread
// with the only connection (RunWriterThread), so that no worker ever waits
// for another's transaction.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BatchPlan.h"
#include "ResultDatabase.h"
#include "WorkTimes.h"

namespace kz7::app {

// Seconds of wall time and of the worker thread's CPU time.
using VariantTimes = WorkTimes;

// What became of one variant.
struct VariantOutcome {
    size_t index = 0;   // in BatchPlan::Variants()
    int64_t runId = 0;  // 0 when not even the failed run could be stored
    RunStatus status = RunStatus::Failed;
    std::string message;              // the reason of a failed run
    std::vector<SummaryRow> summary;  // a finished run's figures, as stored
    VariantTimes run;                 // the whole variant, on its worker thread
    // In the result database's transactions (waits for another writer
    // included), on the worker's thread or the writer's; holding records in
    // memory between them is not counted.
    VariantTimes store;
    // Of `run`, handing the run's parts over: the transactions themselves
    // when the worker writes them, else waits for room in the writer's queue.
    VariantTimes handOver;
};

// Runs variant `index` of `plan` and stores it in `database` as a run of
// command "batch" with the variant's label and parameters. Never throws for
// a bad variant: a bad row, a model that reports errors while read, a missing
// weather file or an engine failure gives a 'failed' run with the reason as
// its note. Once `stop` is set the run ends 'cancelled' at the engine's next
// yield, keeping what it stored.
VariantOutcome RunVariant(const BatchPlan& plan, size_t index, ResultDatabase& database,
                          const std::atomic<bool>& stop);

// Why variant `index` of `plan` would fail before its run starts ("<label>:
// <reason>", as RunVariant's note says it), without running or storing it;
// empty when it can run. This is what `kz7 batch --strict` checks first.
std::string CheckVariant(const BatchPlan& plan, size_t index);

struct BatchProgress {
    size_t done = 0;  // variants ended, whatever their status
    size_t failed = 0;
    size_t total = 0;
    double elapsedSeconds = 0.0;
    // The time the rest will take at the pace so far; empty before the first.
    std::optional<double> SecondsLeft() const;
};

class BatchRunner {
  public:
    // `jobs` worker threads (at least 1, at most one per variant).
    BatchRunner(const BatchPlan& plan, std::filesystem::path database, int jobs);

    // The machine's cores, 1 when unknown.
    static int DefaultJobs();

    // Runs every variant. `onDone` is called on the calling thread after each
    // variant ends and its run is written; `stopRequested` is polled there several times a second
    // and, once true, no variant starts and the running ones are cancelled.
    // Returns the outcomes in plan order, empty for variants never started.
    // Throws ResultDatabaseError when a worker cannot open the database.
    std::vector<std::optional<VariantOutcome>> Run(
        const std::function<void(const VariantOutcome&, const BatchProgress&)>& onDone,
        const std::function<bool()>& stopRequested);

  private:
    const BatchPlan& plan_;
    std::filesystem::path database_;
    int jobs_;
};

}  // namespace kz7::app
