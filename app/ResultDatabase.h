#pragma once
// The result database of the kz7 host: one SQLite file that every command
// appends its runs to. The layout is described in docs/results.md ("The
// result database"); ResultReader.h reads it back.
//
// Use:
//     ResultDatabase database(path);                    // throws ResultDatabaseError
//     RunWriter run(database, {"simulate", model, weather});
//     run.AddZones(...); run.AddVariables(...);
//     control.SaveResultRecord = [&run](const ResultRecord& r) { run.Store(r); };
//     ... run the engine ...
//     run.Finish(RunStatus::Finished);                 // or Cancelled / Failed
//
// Records are held as series and written in short transactions of their own
// (never one open across the calculation), so several kz7 processes can
// append runs to one file at once. A run's last values and its status are
// committed together: a run marked 'finished' is complete.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "SeriesBuffer.h"
#include "WalCheckpointer.h"
#include "WorkTimes.h"
#include "kz7/control/OutputData.h"
#include "kz7/platform/HugePages.h"

namespace kz7::app {

class SqliteConnection;
class SqliteStatement;
class SqliteError;

// A one-line error naming the database file and the reason.
class ResultDatabaseError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class RunStatus { Running, Finished, Cancelled, Failed };
// "running", "finished", "cancelled", "failed": the texts of the status column.
std::string_view RunStatusText(RunStatus status);

// Interval codes of the engine's records: 1 "step", 2 "hour", 3 "day",
// 4 "month", 5 "annual", 6 "summary", 7 "switch" (the names of the
// intervals table).
constexpr int16_t kLastIntervalCode = 7;
// The name of an interval code; empty for a code outside 1..7.
std::string_view IntervalName(int16_t code);
std::optional<int16_t> IntervalCode(std::string_view name);

// What a record's positions mean: the key of the variables table.
enum class RecordKind { Zone, Building, Summary, Annual, Weather, PlantSwitch };
// "zone", "building", "summary", "annual", "weather", "switch".
std::string_view RecordKindText(RecordKind kind);
// The kind of a record the engine sends: zone -1 is weather, interval 6 a
// zone summary, interval 5 the annual record, interval 7 a zone's plant
// switching, zone 0 building and plant.
RecordKind KindOfRecord(int16_t interval, int32_t zone);

struct RunInfo {
    std::string command{};  // "simulate", "heatloss", "heatgain", "weather", ...
    std::string model{};    // model file, empty when none
    std::string weather{};  // weather file, empty when none
    std::string label{};    // the user's name for the run (--label)
    std::vector<std::pair<std::string, std::string>> parameters{};  // --param key=value
    std::string modelHash{};  // SHA-256 of the model text (hex), empty when none
    std::string engineVersion = KZ7_VERSION;
};

struct ZoneInfo {
    int32_t zone = 0;  // the number the engine sends in its records
    std::string key{};
    std::string name{};
    double floorArea = 0.0;  // m²
    double volume = 0.0;     // m³
};

struct VariableInfo {
    RecordKind record = RecordKind::Zone;
    int32_t position = 0;  // index in the record's value array
    std::string name;
    std::string unit;
    std::string aggregation;  // how the interval value is formed, e.g. "mean", "sum"
};

// The unit of a variable's values at `interval`. The unit stored with a
// summed variable is that of its hour, day and month values; its time-step
// values are the rate in the step: kW for kWh, kg/h for kg, and h/h for
// hours (1 in a step in which the condition holds). The `results` view
// gives the same.
std::string UnitAt(const VariableInfo& variable, int16_t interval);

// One line of a run's summary: a zone (its number) or the building (0), with
// named figures ("heating_kwh", "heating_kwh_m2", ...); empty when absent.
struct SummaryRow {
    int32_t zone = 0;
    std::vector<std::pair<std::string, std::optional<double>>> figures;
};

class ResultDatabase {
  public:
    enum class Access { ReadWrite, ReadOnly };

    // ReadWrite creates the file, complete with its tables, when missing;
    // ReadOnly needs an existing result database and never writes. Throws
    // ResultDatabaseError. The name is always a file name (never an SQLite
    // URI or ":memory:"). A database of another layout version is refused
    // with a message naming it.
    explicit ResultDatabase(const std::filesystem::path& file, Access access = Access::ReadWrite);
    ~ResultDatabase();
    ResultDatabase(const ResultDatabase&) = delete;
    ResultDatabase& operator=(const ResultDatabase&) = delete;

    const std::filesystem::path& File() const { return file_; }
    SqliteConnection& Connection() { return *connection_; }
    // "result database <file>: <reason>".
    ResultDatabaseError Error(std::string_view reason) const;

    // Runs `write` in one transaction that waits for other writers; rolls
    // back and rethrows on failure.
    void Transaction(const std::function<void()>& write);

    static constexpr int32_t kApplicationId = 0x4B5A3752;  // "KZ7R"
    static constexpr int32_t kSchemaVersion = 2;
    // The note of a run whose writer ended without finishing it.
    static constexpr std::string_view kAbandonedRunNote =
        "stopped without finishing: the process writing it ended";
    // How long a writer waits for another process's transaction.
    static constexpr int kBusyTimeoutMs = 60000;

  private:
    void Open(Access access);
    // The connection of a reader (see Open).
    std::unique_ptr<SqliteConnection> ReadingConnection() const;
    void CreateFile();
    void CheckOrCreateSchema(Access access);
    // Hands each commit's log to the checkpointer (SQLite's commit hook of
    // a database in WAL mode, in place of its own checkpoints).
    void CheckpointAfterCommits();
    // Fails the runs left "running" by a process that has ended without
    // finishing them (killed outright, or on a machine that stopped), as
    // their rows in run_writers tell.
    void FailAbandonedRuns();

    std::filesystem::path file_;
    std::unique_ptr<SqliteConnection> connection_;
    // Made after the connection and gone before it: the connection's close
    // is then the last, which moves what is left of the log and removes it.
    std::unique_ptr<WalCheckpointer> checkpointer_;
};

// What the writes of one run leave behind, shared by the RunWriter that
// makes the run's parts and whoever writes them (RunPartSink).
struct RunWrites {
    int64_t id = 0;        // the run's row; 0 until its first part is written
    WorkTimes writeTimes;  // in the run's transactions, waits for other writers included
    // Why a part could not be written (a ResultDatabaseError's text): a
    // writer thread drops the run's later parts and fails the run with it.
    std::string failure;
};

// One transaction's worth of a run with its series already encoded: a
// RunWriter makes it on the thread that runs the engine, WriteRunPart writes
// it on the thread that holds the connection. Encoding apart from writing is
// what lets engines on several threads share one writer with only the page
// writes in turn.
struct RunPart {
    struct Chunk {
        int16_t interval = 0;
        int32_t zone = 0;
        int32_t position = 0;
        int64_t firstStep = 0;
        int64_t steps = 0;
        size_t offset = 0;  // the chunk's values in `values`
        size_t count = 0;
    };
    std::shared_ptr<RunWrites> run;
    std::optional<RunInfo> start;  // the run's row, made by its first part
    // The zones' and variables' rows, given the connection and the run's id.
    std::vector<std::function<void(SqliteConnection&, int64_t)>> rows;
    std::vector<StepTime> times;
    std::vector<Chunk> chunks;
    // Little-endian float32, as the blobs hold them; a batch's megabytes are
    // paged in a huge page at a time.
    std::vector<float, HugePageAllocator<float>> values;
    // The run's end, written with its last values.
    std::optional<RunStatus> status;
    std::string note;
    std::vector<SummaryRow> summary;

    // About the memory the part holds.
    size_t Bytes() const;
};

// Writes `part` in one transaction and notes it in `part.run` (its id and
// the time taken). When a failed run's last part cannot be written, its
// status and note are written alone, so the reason is kept. Throws
// ResultDatabaseError.
void WriteRunPart(ResultDatabase& database, RunPart& part);

// Where a RunWriter's parts go.
class RunPartSink {
  public:
    // Writes `part`, or hands it to the thread that will; a sink that writes
    // at once throws ResultDatabaseError when that fails.
    virtual void Take(RunPart part) = 0;
    // Calls `then` with the database once every part taken before is written
    // (or has failed, as its run's RunWrites says): at once when parts are
    // written as they come, else on the thread that writes them.
    virtual void AfterParts(std::function<void(ResultDatabase&)> then) = 0;

  protected:
    ~RunPartSink() = default;
};

// The sink of a RunWriter that writes its parts itself. In turn, each part
// is written before Take returns. Overlapped, a part of the run's values is
// written on a thread of its own while the engine computes the next batch:
// the write (SQLite's and the kernel's share of a stored run, a sixth of a
// 100-zone hourly year) no longer holds up the calculation. One thread
// writes every such part of the run, started with the first: a thread for
// each part took a fresh heap for SQLite's buffers, and so fresh pages, at
// every batch. At most one part is being written at any time. A part's
// failure is thrown by the next Take, SpareValues or AfterParts; the run's
// first part (its row, and so its id) and its last (its status) are written
// in turn.
class DirectRunWrites final : public RunPartSink {
  public:
    enum class Timing { InTurn, Overlapped };
    explicit DirectRunWrites(ResultDatabase& database, Timing timing = Timing::InTurn)
        : database_(database), timing_(timing) {}
    // Waits for a part being written; its failure is dropped, as the run
    // was not finished.
    ~DirectRunWrites();
    DirectRunWrites(const DirectRunWrites&) = delete;
    DirectRunWrites& operator=(const DirectRunWrites&) = delete;

    void Take(RunPart part) override;
    void AfterParts(std::function<void(ResultDatabase&)> then) override {
        WaitForWrite();
        then(database_);
    }
    // The values buffer of the last part written, emptied, for the next
    // part to fill: a batch's buffer of tens of megabytes, handed back to
    // the system and taken again at every batch, would be paged in afresh
    // each time (three times the page faults of a 100-zone hourly year).
    std::vector<float, HugePageAllocator<float>> SpareValues() {
        WaitForWrite();
        spareValues_.clear();
        return std::move(spareValues_);
    }

  private:
    void Write(RunPart& part);
    // Waits for the part being written, if any; throws its failure.
    void WaitForWrite();
    // The writing thread: each part handed to it in turn, until closing.
    void WriteHandedParts();

    ResultDatabase& database_;
    Timing timing_;
    std::vector<float, HugePageAllocator<float>> spareValues_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<RunPart> handed_;  // taken, not yet written
    bool writing_ = false;           // a part is handed or being written
    bool closing_ = false;
    std::exception_ptr failure_;  // of the last part written
    std::thread thread_;          // started with the first overlapped part
};

// Writes one run: its row in runs, its zones and variables, and its records.
class RunWriter {
  public:
    // A batch of chunks ends when a series holds kStepsPerBatch steps (three
    // weeks of hours), or sooner when the values held reach valuesPerBatch
    // (128 MB: a thousand zones' hourly records reach the steps first).
    // Chunks of a fixed length keep the rows, and so the cost of each, the
    // same per zone however many zones a run has. Longer chunks write fewer
    // rows (SQLite's instructions halve at 2048 steps) but cost more time,
    // not less: larger batches and transactions take more fresh memory
    // pages and more of the kernel's time writing the file, and peak memory
    // grows with them (docs/results.md).
    static constexpr int64_t kStepsPerBatch = 512;
    static constexpr int64_t kValuesPerBatch = int64_t{1} << 25;
    // Ended batches are held until they reach valuesPerWrite (8 MB) and then
    // written in one transaction: a small run (a one-zone year holds 6 MB)
    // is written once, at its end, instead of in a commit every three weeks.
    static constexpr int64_t kValuesPerWrite = int64_t{1} << 21;

    // Inserts the run with status 'running' and commits it at once.
    RunWriter(ResultDatabase& database, const RunInfo& info,
              int64_t valuesPerBatch = kValuesPerBatch, int64_t valuesPerWrite = kValuesPerWrite);
    // Hands every part, the run's row first, to `sink` instead of writing
    // it. With a sink that writes on another thread, RunId and WriteTimes
    // stay 0 here: Stored() is the sink's to fill, and to read in AfterParts.
    RunWriter(RunPartSink& sink, const RunInfo& info, int64_t valuesPerBatch = kValuesPerBatch,
              int64_t valuesPerWrite = kValuesPerWrite);
    ~RunWriter();
    RunWriter(const RunWriter&) = delete;
    RunWriter& operator=(const RunWriter&) = delete;

    int64_t RunId() const { return direct_ ? stored_->id : 0; }
    const std::shared_ptr<RunWrites>& Stored() const { return stored_; }
    // The zones, with the building's floor area and volume as their totals,
    // and what the positions of the records mean: written with the next
    // write of records (or by Finish).
    void AddZones(const std::vector<ZoneInfo>& zones);
    void AddVariables(const std::vector<VariableInfo>& variables);
    // One record as the engine sends it (its values NaN where it has none);
    // written with the next write.
    void Store(const ResultRecord& record);
    // The run's summary lines, written with Finish of a finished run only:
    // a cancelled or failed run's figures would cover part of its period.
    void SetSummary(std::vector<SummaryRow> rows) { summary_ = std::move(rows); }
    // Writes what is held and the status, the finish time and a note (the
    // reason of a failure) in one transaction. When that fails for a failed
    // run, the status alone is written. Storing after Finish is an error.
    // Values whose write failed are not written again.
    void Finish(RunStatus status, std::string_view note = {});

    int64_t RecordCount() const { return recordCount_; }
    // The values that are numbers among the records written or handed to
    // the sink so far: all of the run's once it is finished.
    int64_t ValueCount() const { return valueCount_; }
    // The time spent in this run's transactions, waits for other writers
    // included, once it is finished (0 with a sink that writes on another
    // thread): until then a write may be under way.
    WorkTimes WriteTimes() const { return direct_ ? stored_->writeTimes : WorkTimes{}; }
    // The time spent handing parts to the sink: the writes themselves when
    // they are made at once, else the waits for room in a writer's queue.
    const WorkTimes& HandOverTimes() const { return handOverTimes_; }

  private:
    void CheckWritable() const;
    // What AddZones and AddVariables gave and the held records, as one part;
    // a series that has stayed the same is held back until it changes, or
    // until the run's end (`steady`).
    RunPart TakeHeld(SeriesBuffer::Steady steady);
    void HandOver(RunPart part);

    std::unique_ptr<DirectRunWrites> direct_;  // when writing at once
    RunPartSink& sink_;
    ResultDatabase* database_ = nullptr;  // when writing at once
    std::shared_ptr<RunWrites> stored_ = std::make_shared<RunWrites>();
    int64_t valuesPerBatch_;
    int64_t valuesPerWrite_;
    std::vector<std::function<void(SqliteConnection&, int64_t)>> heldRows_;
    SeriesBuffer held_;
    std::vector<float> weatherRow_;  // scratch of Store
    std::vector<SummaryRow> summary_;
    bool finished_ = false;
    int64_t recordCount_ = 0;
    int64_t valueCount_ = 0;
    WorkTimes handOverTimes_;
};

}  // namespace kz7::app
