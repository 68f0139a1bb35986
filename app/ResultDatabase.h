#pragma once
// The result database of the kz7 host: one SQLite file that every command
// appends its runs to. The layout is described in docs/results.md ("The
// result database").
//
// Use:
//     ResultDatabase database(path);                    // throws ResultDatabaseError
//     RunWriter run(database, {"simulate", model, weather});
//     run.AddZones(...); run.AddVariables(...);
//     state.outputData.onSave = [&run](int16_t& i, int32_t& z, ValueArray& v, double& d) {
//         run.Store(i, z, v, d);
//     };
//     ... run the engine ...
//     run.Finish(RunStatus::Finished);                 // or Cancelled / Failed
//
// Records are committed in batches, so a crash or a killed process leaves
// every committed batch readable and the run marked 'running'.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/control/OutputData.h"

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
    std::string command;  // "simulate", "heatloss", "heatgain", "weather", ...
    std::string model;    // model file, empty when none
    std::string weather;  // weather file, empty when none
    std::string engineVersion = KZ7_VERSION;
    // The decimal separator the engine writes its value texts with.
    char decimalSeparator = '.';
};

struct ZoneInfo {
    int32_t zone = 0;  // the number the engine sends in its records
    std::string key;
    std::string name;
};

struct VariableInfo {
    RecordKind record = RecordKind::Zone;
    int32_t position = 0;  // index in the record's value array
    std::string name;
    std::string unit;
    std::string aggregation;  // how the interval value is formed, e.g. "mean", "sum"
};

class ResultDatabase {
  public:
    enum class Access { ReadWrite, ReadOnly };

    // ReadWrite creates the file and its tables when missing; ReadOnly needs
    // an existing result database and never writes. Throws ResultDatabaseError;
    // a file this call created is removed again when opening fails.
    explicit ResultDatabase(const std::filesystem::path& file, Access access = Access::ReadWrite);
    ~ResultDatabase();
    ResultDatabase(const ResultDatabase&) = delete;
    ResultDatabase& operator=(const ResultDatabase&) = delete;

    const std::filesystem::path& File() const { return file_; }
    SqliteConnection& Connection() { return *connection_; }
    // "result database <file>: <reason>".
    ResultDatabaseError Error(std::string_view reason) const;

    static constexpr int32_t kApplicationId = 0x4B5A3752;  // "KZ7R"
    static constexpr int32_t kSchemaVersion = 1;

  private:
    void Open(Access access);
    void CheckOrCreateSchema(Access access);

    std::filesystem::path file_;
    std::unique_ptr<SqliteConnection> connection_;
};

// Writes one run: its row in runs, its zones and variables, and its records.
class RunWriter {
  public:
    // Inserts the run with status 'running' and commits it at once.
    RunWriter(ResultDatabase& database, const RunInfo& info);
    // Commits the records stored so far; a run not finished stays 'running'.
    ~RunWriter();
    RunWriter(const RunWriter&) = delete;
    RunWriter& operator=(const RunWriter&) = delete;

    int64_t RunId() const { return runId_; }
    void AddZones(const std::vector<ZoneInfo>& zones);
    void AddVariables(const std::vector<VariableInfo>& variables);
    // One record as the engine's OutputData sends it. Values are decimal
    // texts; an empty text, the missing value "-32768" or a text that is not
    // a finite number is stored as NULL.
    void Store(int16_t interval, int32_t zone, const ValueArray& values, double oleDate);
    // Commits what is pending and records the status, the finish time and a
    // note (the reason of a failure). Storing after Finish is an error.
    void Finish(RunStatus status, std::string_view note = {});

    int64_t RecordCount() const { return recordCount_; }
    int64_t ValueCount() const { return valueCount_; }

    // Records per transaction: small enough that a crash loses little, large
    // enough that commits cost nothing measurable.
    static constexpr int64_t kRecordsPerCommit = 4096;

  private:
    void BeginBatch();
    void CommitBatch();
    void CheckWritable() const;
    [[noreturn]] void Fail(const SqliteError& error);
    void EncodeValues(RecordKind kind, const ValueArray& values);

    ResultDatabase& database_;
    char decimalSeparator_;
    int64_t runId_ = 0;
    std::unique_ptr<SqliteStatement> insertRecord_;
    std::string encoded_;  // the JSON array of the record being stored
    std::string number_;   // scratch text of one value
    bool inBatch_ = false;
    bool finished_ = false;
    int64_t recordsInBatch_ = 0;
    int64_t recordCount_ = 0;
    int64_t valueCount_ = 0;
};

}  // namespace kz7::app
