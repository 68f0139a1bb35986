#include "BatchRunner.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "ModelFile.h"
#include "ModelMessages.h"
#include "ModelRun.h"
#include "ResultTables.h"
#include "RunSummary.h"
#include "RunWriterThread.h"
#include "Sha256.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/LineReader.h"
#include "kz7/platform/TempFile.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kCommand = "batch";
constexpr auto kPollInterval = std::chrono::milliseconds(100);

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The variant's model, written to a temporary file of its own for the read
// and removed after it; messages that name the file name the template.
class VariantModelFile {
  public:
    VariantModelFile(const std::string& text, const fs::path& templateFile)
        : path_(WriteTemporaryFile(TemporaryFolder(""), text)), templateFile_(templateFile) {}
    ~VariantModelFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);  // created exclusively for this variant
    }
    VariantModelFile(const VariantModelFile&) = delete;
    VariantModelFile& operator=(const VariantModelFile&) = delete;

    std::string Path() const { return path_.string(); }
    std::string Named(std::string message) const {
        return ReplaceAll(std::move(message), path_.string(), templateFile_.string());
    }

  private:
    fs::path path_;
    fs::path templateFile_;
};

// Reads the variant's model into the engine of `control` and points it at
// the variant's weather; returns why the variant cannot run: a bad row, a
// model that cannot be read or has errors (the first of them, then their
// count), a weather file found nowhere. Fills `info`'s hash and weather.
std::string ReadVariant(const BatchPlan& plan, const PlanVariant& variant, SimulateX& control,
                        RunInfo& info) {
    if (!variant.problem.empty()) return variant.problem;
    std::string problem;
    const std::string text = plan.ModelText(variant, problem);
    if (!problem.empty()) return problem;
    info.modelHash = Sha256Hex(text);

    EngineState& state = control.State();
    ModelMessages messages;
    messages.Connect(state, plan.Support(), false);
    const VariantModelFile file(text, plan.TemplateFile());
    problem = LoadModel(control, file.Path(), plan.Support());
    state.errorHandler = nullptr;
    state.warningHandler = nullptr;
    if (!problem.empty()) return file.Named(problem);
    // A variant is what the user wrote only when its model reads without errors.
    for (const ModelMessage& message : messages.All()) {
        if (message.severity != Severity::Error) continue;
        problem = file.Named(message.text) + "; " + messages.CountText();
        const std::string model = plan.TemplateFile().string();
        return problem.find(model) == std::string::npos ? model + ": " + problem : problem;
    }

    // The template's folder is where the model's own files are looked for.
    state.engine->DataFileName = plan.TemplateFile().string();
    if (const std::optional<std::string> weather = plan.WeatherOf(variant))
        UseEpwWeather(state, *weather);
    info.weather = WeatherFileOf(state);
    if (info.weather.empty()) return WeatherNotFound(state);
    return {};
}

// One variant through the engine: read, checked, run and handed to `sink`.
// Its outcome goes to `ended` once every part of its run is written, on the
// thread that writes them: a run is reported stored only once it is.
class VariantRun {
  public:
    using Ended = std::function<void(VariantOutcome)>;

    VariantRun(const BatchPlan& plan, size_t index, RunPartSink& sink,
               const std::atomic<bool>& stop)
        : plan_(plan), variant_(plan.Variants().at(index)), sink_(sink), stop_(stop) {
        outcome_.index = index;
        info_.command = kCommand;
        info_.model = plan.TemplateFile().string();
        info_.label = variant_.label;
        info_.parameters = variant_.parameters;
    }

    void Run(Ended ended) {
        AddTimeOf(outcome_.run, [this] { RunOrRecordFailure(); });
        sink_.AfterParts([stored = std::move(stored_), failure = std::move(failure_),
                          outcome = std::move(outcome_), label = variant_.label,
                          ended = std::move(ended)](ResultDatabase& database) mutable {
            if (stored) EndStored(*stored, failure, label, outcome, database);
            ended(std::move(outcome));
        });
    }

  private:
    // The outcome as the writes left the run: a run whose part could not be
    // written (`stored`'s failure, or `failure` when handing it over failed)
    // is failed with the reason, in the database too when its row was made,
    // else it would stay 'running'.
    static void EndStored(RunWrites& stored, const std::string& failure, const std::string& label,
                          VariantOutcome& outcome, ResultDatabase& database) {
        outcome.runId = stored.id;
        outcome.store = stored.writeTimes;
        if (stored.failure.empty() && failure.empty()) return;
        outcome.status = RunStatus::Failed;
        outcome.message =
            fmt::format("{}: {}", label, stored.failure.empty() ? failure : stored.failure);
        outcome.summary.clear();
        if (stored.id == 0) return;
        RunPart end;
        end.run = std::make_shared<RunWrites>(stored);
        end.status = RunStatus::Failed;
        end.note = outcome.message;
        try {
            WriteRunPart(database, end);
        } catch (const ResultDatabaseError&) {
            // The run stays 'running'; its outcome says why it failed.
        }
    }

    void RunOrRecordFailure() {
        try {
            std::string problem;
            try {
                problem = Prepare();
            } catch (const std::exception& error) {
                problem = error.what();  // the variant's model file could not be written
            }
            if (problem.empty())
                Simulate();
            else
                StoreFailed(fmt::format("{}: {}", variant_.label, problem));
        } catch (const std::exception& error) {
            // The database itself failed: the run could not be recorded.
            outcome_.status = RunStatus::Failed;
            outcome_.message = fmt::format("{}: {}", variant_.label, error.what());
            failure_ = error.what();
        }
    }

    // Reads the variant's model into the engine; returns why it cannot run.
    std::string Prepare() {
        control_.SetHourlyResults(true);
        return ReadVariant(plan_, variant_, control_, info_);
    }

    void StoreFailed(const std::string& reason) {
        outcome_.status = RunStatus::Failed;
        outcome_.message = reason;
        RunWriter run(sink_, info_);
        stored_ = run.Stored();
        run.Finish(RunStatus::Failed, reason);
        outcome_.handOver = run.HandOverTimes();
    }

    void Simulate() {
        const std::vector<ZoneInfo> zones = ZoneRows(state_);
        RunWriter run(sink_, info_);
        stored_ = run.Stored();
        run.AddZones(zones);
        run.AddVariables(ResultVariableRows());
        RunSummary summary(zones);
        std::string firstError, lastError;
        int64_t errors = 0;
        control_.SaveResultRecord = [&](const ResultRecord& record) {
            run.Store(record);
            summary.Add(record);
        };
        state_.errorHandler = [&](const std::string& error) {
            if (errors++ == 0) firstError = error;
            lastError = error;
        };
        state_.yieldHandler = [this] {
            if (stop_.load(std::memory_order_relaxed)) state_.engine->Cancelled = true;
        };
        std::string failure;
        try {
            control_.Simulate();
        } catch (const std::exception& error) {
            failure = fmt::format("{}: the run failed: {}", variant_.label, error.what());
        }
        control_.SaveResultRecord = nullptr;
        state_.errorHandler = nullptr;
        state_.yieldHandler = nullptr;

        if (failure.empty() && stop_.load()) {
            outcome_.status = RunStatus::Cancelled;
        } else if (failure.empty() && state_.engine->Cancelled) {
            failure = fmt::format("{}: {}", variant_.label,
                                  lastError.empty() ? "the engine stopped the run" : lastError);
        } else if (failure.empty() && errors > 0) {
            // As a model with errors is no variant of the study, nor is a run
            // the engine reported errors in (a weather file short of the
            // year): its figures are not to be ranked with the others.
            failure = fmt::format("{}: {}, the first: {}", variant_.label, ErrorsDuringRun(errors),
                                  firstError);
        } else if (failure.empty()) {
            outcome_.status = RunStatus::Finished;
            outcome_.summary = summary.Rows();
            run.SetSummary(outcome_.summary);
        }
        if (!failure.empty()) {
            outcome_.status = RunStatus::Failed;
            outcome_.message = failure;
        }
        run.Finish(outcome_.status, outcome_.message);
        outcome_.handOver = run.HandOverTimes();
    }

    const BatchPlan& plan_;
    const PlanVariant& variant_;
    RunPartSink& sink_;
    const std::atomic<bool>& stop_;
    EngineState state_;
    SimulateX control_{state_};
    RunInfo info_;
    VariantOutcome outcome_;
    std::shared_ptr<RunWrites> stored_;  // of the run once its row is handed over
    std::string failure_;                // why handing the run over failed
};

// What the workers hand to the thread that called Run.
struct SharedProgress {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<VariantOutcome> ended;
    std::exception_ptr failure;
    int workersLeft = 0;
};

// The workers of one Run, stopped and joined however Run ends.
struct WorkerThreads {
    explicit WorkerThreads(std::atomic<bool>& stop) : stop(stop) {}
    ~WorkerThreads() {
        if (!threads.empty()) stop = true;  // Run is leaving early
        Join();
    }
    void Join() {
        for (std::thread& thread : threads)
            if (thread.joinable()) thread.join();
        threads.clear();
    }
    std::atomic<bool>& stop;
    std::vector<std::thread> threads;
};

}  // namespace

VariantOutcome RunVariant(const BatchPlan& plan, size_t index, ResultDatabase& database,
                          const std::atomic<bool>& stop) {
    DirectRunWrites sink(database);
    VariantOutcome outcome;
    VariantRun(plan, index, sink, stop).Run([&outcome](VariantOutcome ended) {
        outcome = std::move(ended);
    });
    return outcome;
}

std::string CheckVariant(const BatchPlan& plan, size_t index) {
    EngineState state;
    SimulateX control(state);
    RunInfo info;
    const std::string problem = ReadVariant(plan, plan.Variants().at(index), control, info);
    return problem.empty() ? problem : plan.Variants()[index].label + ": " + problem;
}

std::optional<double> BatchProgress::SecondsLeft() const {
    if (done == 0 || done > total) return std::nullopt;
    return elapsedSeconds / static_cast<double>(done) * static_cast<double>(total - done);
}

BatchRunner::BatchRunner(const BatchPlan& plan, fs::path database, int jobs)
    : plan_(plan), database_(std::move(database)), jobs_(jobs) {
    const int variants = static_cast<int>(std::min<size_t>(plan.Variants().size(), 1 << 20));
    jobs_ = std::clamp(jobs_, 1, std::max(variants, 1));
    // An SQLite built without threads must not see two connections at once.
    if (sqlite3_threadsafe() == 0) jobs_ = 1;
}

int BatchRunner::DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

std::vector<std::optional<VariantOutcome>> BatchRunner::Run(
    const std::function<void(const VariantOutcome&, const BatchProgress&)>& onDone,
    const std::function<bool()>& stopRequested) {
    const size_t total = plan_.Variants().size();
    std::vector<std::optional<VariantOutcome>> outcomes(total);
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    SharedProgress shared;

    // With one job its thread does everything, writes included; with more,
    // one writer thread writes what the workers hand it.
    std::optional<RunWriterThread> writer;
    if (jobs_ > 1) writer.emplace(database_);
    const auto ended = [&shared](VariantOutcome outcome) {
        const std::lock_guard lock(shared.mutex);
        shared.ended.push_back(std::move(outcome));
        shared.changed.notify_one();
    };
    const auto work = [&] {
        try {
            std::optional<ResultDatabase> own;  // a connection of this thread's own
            std::optional<DirectRunWrites> direct;
            if (!writer) direct.emplace(own.emplace(database_));
            RunPartSink& sink = writer ? static_cast<RunPartSink&>(*writer) : *direct;
            for (size_t index = next++; index < total && !stop.load(); index = next++)
                VariantRun(plan_, index, sink, stop).Run(ended);
        } catch (...) {
            stop = true;
            const std::lock_guard lock(shared.mutex);
            if (!shared.failure) shared.failure = std::current_exception();
        }
        const std::lock_guard lock(shared.mutex);
        --shared.workersLeft;
        shared.changed.notify_one();
    };

    const Clock::time_point start = Clock::now();
    BatchProgress progress{0, 0, total, 0.0};
    if (stopRequested && stopRequested()) stop = true;
    WorkerThreads workers(stop);
    for (int job = 0; job < jobs_; ++job) {
        workers.threads.emplace_back(work);
        const std::lock_guard lock(shared.mutex);
        ++shared.workersLeft;
    }
    std::unique_lock lock(shared.mutex);
    const auto report = [&] {
        while (!shared.ended.empty()) {
            VariantOutcome outcome = std::move(shared.ended.front());
            shared.ended.pop_front();
            lock.unlock();
            ++progress.done;
            if (outcome.status == RunStatus::Failed) ++progress.failed;
            progress.elapsedSeconds = SecondsSince(start);
            const size_t index = outcome.index;
            outcomes[index] = std::move(outcome);
            if (onDone) onDone(*outcomes[index], progress);
            lock.lock();
        }
    };
    while (shared.workersLeft > 0 || !shared.ended.empty()) {
        shared.changed.wait_for(lock, kPollInterval);
        report();
        if (stopRequested && !stop.load() && stopRequested()) stop = true;
    }
    lock.unlock();
    workers.Join();
    if (writer) writer->Close();  // the last runs are written and reported
    lock.lock();
    report();
    lock.unlock();
    if (shared.failure) std::rethrow_exception(shared.failure);
    return outcomes;
}

}  // namespace kz7::app
