#pragma once
// The output store: up to 15 handles, each collecting weighted sums and
// counts of the step values of one interval (time step, hour, day or month)
// for its records (zones, or plant groups) and variables. The zone and plant
// result stores share one output store.
//
// A handle's arrays are sized when it is allocated; adding a step value only
// writes into them, and text conversion happens only when an interval ends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kz7/output/ResultVariables.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

class EngineState;

// One variable's value at the end of an interval.
struct IntervalValue {
    enum class State { NotCollected, Missing, Present };
    State state = State::NotCollected;  // NotCollected: count 0; Missing: sum is -32768
    double value = 0.0;
};

// The value as the host receives it, written into `text` (its storage
// reused): decimal text, or "-32768" when missing or not collected.
void AssignIntervalText(std::string& text, const IntervalValue& value, char decimalSeparator);

// The interval values of one record read in one pass, cell v − 1 holding
// variable v: whether it is selected, whether any step was added to it
// (collected), whether its value is present (collected and not missing) and
// that value (0 unless present). Lanes are all bits set (−1) or 0, 32 bits
// wide as the cells' counts are, so that passes over a whole record
// vectorise eight cells at a time.
struct RecordReading {
    static constexpr size_t kCells = kRecordRowCells;
    std::array<double, kCells> value{};
    std::array<int32_t, kCells> selected{};
    std::array<int32_t, kCells> collected{};
    std::array<int32_t, kCells> present{};
    size_t cells = 0;

    IntervalValue ValueOf(size_t cell) const {
        IntervalValue result;
        if (collected[cell] == 0) return result;
        result.state = present[cell] != 0 ? IntervalValue::State::Present : IntervalValue::State::Missing;
        result.value = value[cell];
        return result;
    }
};

// The interval values of several records summed cell by cell, cell v − 1
// holding variable v: whether any record selects it (bit v − 1 of
// `selectedCells`), whether any has a missing value, and the sums of the
// present values, of value × weight and of the weights of the records that
// have a value, and how many have one (`records`, so that a cell some
// record has a value in has records > 0). Lanes as in RecordReading.
struct RecordTotals {
    static constexpr size_t kCells = kRecordRowCells;
    uint64_t selectedCells = 0;
    std::array<int32_t, kCells> missing{};
    std::array<double, kCells> weighted{};
    std::array<double, kCells> weight{};
    std::array<double, kCells> plain{};
    std::array<int32_t, kCells> records{};
};

// The cells of one record of an open handle, for passes over all of its
// variables with one handle lookup. Variables are 1-based; a view of a record
// outside its handle is empty and ignores every operation. Valid until the
// handle is allocated or freed again.
class OutputRecord {
  public:
    OutputRecord() = default;

    int32_t VariableCount() const { return variables_; }
    bool IsSelected(int32_t variable) const {
        return InRange(variable) && ((*selectedCells_ >> (variable - 1)) & 1u) != 0;
    }
    // sum += value × weight; count += n × weight, rounded. Adding the missing
    // value -32768 makes the sum -32768 until the next reset. Inline: it runs
    // for every collected variable of every zone at every step.
    void Add(int32_t variable, float value, float weight, int32_t n = 1) {
        if (!InRange(variable)) return;
        float& sum = sum_[variable - 1];
        int32_t& count = count_[variable - 1];
        // A missing step value makes the whole interval missing; without this a
        // few missing steps would sum to an ordinary-looking number.
        if (value == kMissingValue || sum == kMissingValue)
            sum = kMissingValue;
        else
            sum += value * weight;
        if (weight == 1.0f)  // the usual step: no rounding needed
            count += n;
        else
            count = RoundToInt32(static_cast<double>(count) +
                                 static_cast<double>(n) * static_cast<double>(weight));
    }
    // One step of the whole record: Add(v, values[v], weight) for every
    // selected variable v (1-based, as far as `values` reaches) whose bit v
    // is set in `given`: one pass over the row without a call or range check
    // per value. Spans that reach a whole row (OutputStore::kRowCells + 1
    // entries, their unused cells never selected) take the row at once.
    void AddStep(std::span<const float> values, uint64_t given, float weight);
    // Inline: read for every collected variable of every zone at every interval end.
    IntervalValue Value(int32_t variable) const {
        return InRange(variable) ? CellValue(static_cast<size_t>(variable - 1)) : IntervalValue{};
    }
    // Every variable's Value() and selection in one pass, without a branch
    // per cell.
    void Read(RecordReading& reading) const;
    // The end of the record's interval in one pass over the whole row:
    // `numbers[v − 1]` = variable v's value as a float (NaN unless present,
    // room for OutputStore::kRowCells cells), the values added to `totals`
    // with `weight` (a record whose value is missing adds its missing flag,
    // one without a value nothing), and every sum and count restarted.
    void TakeInterval(float* numbers, RecordTotals& totals, double weight);
    void ResetVariable(int32_t variable);

  private:
    friend class OutputStore;
    bool InRange(int32_t variable) const { return variable >= 1 && variable <= variables_; }
    // AddStep's cells of `take` (bit c: variable c + 1) one by one, for a
    // day weight whose counts need rounding.
    void AddWeighted(std::span<const float> values, uint64_t take, float weight);
    IntervalValue CellValue(size_t cell) const {
        IntervalValue result;
        const float sum = sum_[cell];
        const int32_t count = count_[cell];
        if (count == 0) return result;
        if (sum == kMissingValue) {
            result.state = IntervalValue::State::Missing;
            return result;
        }
        // Averaged variables: the mean of the steps; summed ones: see OutputStore::Record.
        const double divisor =
            ((*byCountCells_ >> cell) & 1u) != 0 ? static_cast<double>(count) : summedDivisor_;
        result.state = IntervalValue::State::Present;
        result.value = static_cast<double>(sum) / divisor;
        return result;
    }

    const uint64_t* selectedCells_ = nullptr;  // bit c: cell c is selected
    const uint64_t* byCountCells_ = nullptr;   // bit c: cell c's value is its sum over its count
    float* sum_ = nullptr;
    int32_t* count_ = nullptr;
    int32_t variables_ = 0;
    double summedDivisor_ = 1.0;  // steps per hour, for summed variables
};

class OutputStore {
  public:
    static constexpr int32_t kHandleCount = 15;
    static constexpr int32_t kMaxRecords = 1000;
    static constexpr int32_t kMaxVariables = 54;
    static constexpr int32_t kRowCells = kRecordRowCells;
    static_assert(kMaxVariables <= kRowCells && kRowCells <= 64);


    explicit OutputStore(EngineState& state) : state_(state) {}

    // The first free handle (1..15) for `interval` with `records` records of
    // `variables` variables, nothing selected; records beyond 1000 and
    // variables beyond 54 are not kept. When every handle is taken: the error
    // "Out of output system handles" and 0.
    int32_t Allocate(int16_t interval, int32_t records, int32_t variables, float scale);
    void Free(int32_t handle);
    bool IsOpen(int32_t handle) const;

    // Whether the variable is collected and how it aggregates. Records and
    // variables outside the handle are ignored by this and every operation below.
    void SetVariable(int32_t handle, int32_t record, int32_t variable, bool selected,
                     Aggregation aggregation);
    bool IsSelected(int32_t handle, int32_t record, int32_t variable) const;

    // The record's cells in one view (empty for a handle or record that is not there).
    OutputRecord Record(int32_t handle, int32_t record);
    const OutputRecord Record(int32_t handle, int32_t record) const;

    // One cell at a time: the same through Record().
    void Add(int32_t handle, int32_t record, int32_t variable, float value, float weight,
             int32_t n);

    IntervalValue Value(int32_t handle, int32_t record, int32_t variable) const;
    // The value as the host receives it: decimal text, or "-32768".
    std::string ValueText(int32_t handle, int32_t record, int32_t variable,
                          char decimalSeparator) const;

    void Reset(int32_t handle);  // every sum and count of the handle to 0
    void ResetVariable(int32_t handle, int32_t record, int32_t variable);

    int16_t IntervalCode(int32_t handle) const;
    int32_t RecordCount(int32_t handle) const;
    int32_t VariableCount(int32_t handle) const;
    float Scale(int32_t handle) const;
    float Sum(int32_t handle, int32_t record, int32_t variable) const;
    int32_t Count(int32_t handle, int32_t record, int32_t variable) const;
    int32_t RecordsSent(int32_t handle) const;
    void CountSend(int32_t handle);  // one more send of the handle's records
    int32_t OpenHandleCount() const;

  private:
    struct Handle {
        bool open = false;
        int16_t interval = 0;
        int32_t records = 0;
        int32_t variables = 0;
        float scale = 1.0f;
        int32_t recordsSent = 0;
        // By record, bit c for cell c: whether the cell is selected, and
        // whether its value is the sum over the count (averaged variables,
        // and every variable of a handle without steps per hour). Bits
        // rather than a word per cell keep a record's pass at an interval
        // end to its sums and counts.
        std::vector<uint64_t> selectedCells;
        std::vector<uint64_t> byCountCells;
        std::vector<float> sum;
        std::vector<int32_t> count;
    };

    // The open handle, or nullptr for a number out of range or not open.
    Handle* Find(int32_t handle);
    const Handle* Find(int32_t handle) const;

    EngineState& state_;
    Handle handles_[kHandleCount];
};

}  // namespace kz7
