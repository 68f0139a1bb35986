// kz7 batch PLAN: every variant of a parametric study run on worker threads
// into one result database, then one table comparing them.
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "BatchComparison.h"
#include "BatchPlan.h"
#include "BatchRunner.h"
#include "Commands.h"
#include "Interrupt.h"
#include "Progress.h"
#include "ResultReader.h"

namespace kz7::app {

namespace {

struct BatchOptions {
    std::string plan;
    std::string db = "results.db";
    std::string support;
    int jobs = BatchRunner::DefaultJobs();
    std::string sort;
    bool json = false;
    bool csv = false;
    bool quiet = false;
    bool strict = false;
};

// "42 s", "3 min 5 s", "1 h 12 min".
std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
    if (whole < 60) return fmt::format("{} s", whole);
    if (whole < 3600) return fmt::format("{} min {} s", whole / 60, whole % 60);
    return fmt::format("{} h {} min", whole / 3600, whole % 3600 / 60);
}

// --strict: every variant's model is read before any runs; one that would
// fail stops the batch. Prints each reason and the count; true to stop.
bool StopsForStrict(const BatchPlan& plan, const std::string& planFile) {
    size_t failing = 0;
    for (size_t index = 0; index < plan.Variants().size(); ++index) {
        const std::string problem = CheckVariant(plan, index);
        if (problem.empty()) continue;
        ShowProblem(problem);
        ++failing;
    }
    if (failing == 0) return false;
    fmt::print(stderr, "kz7: {}: {} of {} variants cannot run; none run (--strict)\n", planFile,
               failing, plan.Variants().size());
    return true;
}

// The batch's progress on standard error: a bar redrawn in place on a
// terminal, else one line per variant; failures always get their own line.
class BatchProgressLine {
  public:
    explicit BatchProgressLine(bool quiet)
        : quiet_(quiet), terminal_(ProgressBar::IsTerminal(stderr)) {}
    ~BatchProgressLine() { Clear(); }

    void Show(const VariantOutcome& outcome, const BatchProgress& progress) {
        Clear();
        if (outcome.status == RunStatus::Failed)
            fmt::print(stderr, "kz7: run {} failed: {}\n", outcome.runId, outcome.message);
        if (quiet_) return;
        const double fraction =
            static_cast<double>(progress.done) / static_cast<double>(progress.total);
        std::string text = fmt::format("{} {}/{} runs", ProgressBar::Render(fraction, 20),
                                       progress.done, progress.total);
        if (progress.failed > 0) text += fmt::format(", {} failed", progress.failed);
        if (const auto left = progress.SecondsLeft(); left && progress.done < progress.total)
            text += fmt::format(", about {} left", Duration(*left));
        if (terminal_) {
            fmt::print(stderr, "\r{}", text);
            drawn_ = true;
        } else {
            fmt::print(stderr, "{}\n", text);
        }
        std::fflush(stderr);
    }

    void Clear() {
        if (!drawn_) return;
        fmt::print(stderr, "\r\x1b[2K");
        std::fflush(stderr);
        drawn_ = false;
    }

  private:
    bool quiet_;
    bool terminal_;
    bool drawn_ = false;
};

int RunBatch(const BatchOptions& options) {
    std::optional<BatchPlan> plan;
    try {
        plan = BatchPlan::Load(options.plan);
    } catch (const BatchPlanError& error) {
        ShowProblem(error.what());
        return kExitFailed;
    }
    if (!options.support.empty()) plan->SetSupport(options.support);
    std::error_code ignored;
    if (!plan->Support().empty() && !std::filesystem::is_directory(plan->Support(), ignored)) {
        fmt::print(stderr, "kz7: {}: support folder not found\n", plan->Support());
        return kExitFailed;
    }
    if (!options.sort.empty() &&
        !BatchComparison::IsSortKey(options.sort, plan->ParameterNames())) {
        fmt::print(stderr, "kz7: --sort {}: not a figure, a column of {}, \"label\" or \"run\"\n",
                   options.sort, plan->TableName());
        return kExitUsage;
    }
    if (options.strict && StopsForStrict(*plan, options.plan)) return kExitFailed;
    try {
        ResultDatabase database(options.db);  // made or checked before any variant runs
        BatchRunner runner(*plan, options.db, options.jobs);
        const InterruptHandler interrupt;
        BatchProgressLine progress(options.quiet);
        const auto outcomes =
            runner.Run([&](const VariantOutcome& outcome,
                           const BatchProgress& state) { progress.Show(outcome, state); },
                       [&] { return interrupt.Requested(); });
        progress.Clear();

        std::vector<int64_t> runs;
        bool failed = false;
        for (const auto& outcome : outcomes) {
            if (!outcome) continue;
            failed = failed || outcome->status == RunStatus::Failed;
            if (outcome->runId != 0) runs.push_back(outcome->runId);
        }
        ResultReader reader(database);
        BatchComparison comparison = BatchComparison::Read(reader, runs, plan->ParameterNames());
        if (!options.sort.empty()) comparison.SortBy(options.sort);
        if (options.json) {
            nlohmann::json json = comparison.Json();
            json["database"] = options.db;
            json["plan"] = options.plan;
            fmt::print("{}\n", json.dump(2));
        } else if (options.csv) {
            fmt::print("{}", comparison.Csv());
        } else {
            fmt::print("{} runs of {} stored in {}\n\n{}", runs.size(), options.plan, options.db,
                       comparison.Text());
        }
        if (interrupt.Requested()) return kExitCancelled;
        return failed ? kExitFailed : kExitOk;
    } catch (const ResultDatabaseError& error) {
        ShowProblem(error.what());
        return kExitFailed;
    }
}

}  // namespace

void RegisterBatchCommand(CLI::App& app) {
    auto options = std::make_shared<BatchOptions>();
    CLI::App* command =
        app.add_subcommand("batch", "Run every variant of a parametric study and compare them");
    command->add_option("PLAN", options->plan, "Plan file naming the template and the variants")
        ->required();
    command->add_option("--db", options->db, "Result database (SQLite), created when missing")
        ->capture_default_str();
    command->add_option("--support", options->support,
                        "Support folder holding Dbs.KZ7 (overrides the plan's)");
    command->add_option("--jobs,-j", options->jobs, "Worker threads (default: the machine's cores)")
        ->check(CLI::Range(1, 1024));
    command->add_option("--sort", options->sort,
                        "Sort the comparison by a figure or column (\"-\" in front: descending)");
    CLI::Option* json = command->add_flag("--json", options->json, "Print the comparison as JSON");
    CLI::Option* csv = command->add_flag("--csv", options->csv, "Print the comparison as CSV");
    json->excludes(csv);
    command->add_flag("--quiet", options->quiet, "No progress; failures are still shown");
    command->add_flag("--strict", options->strict,
                      "Read every variant first; exit with code 1, running none, when one has "
                      "errors or cannot run");
    command->callback([options] { SetExitCode(RunBatch(*options)); });
}

}  // namespace kz7::app
