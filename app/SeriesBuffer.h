#pragma once
// The records of a run on their way into the result database, held as
// series: for each interval and zone a run of steps, each step one record of
// values by position. When drained, each position of each (interval, zone)
// becomes one chunk of consecutive steps, so that a year of one variable of
// one zone is a few rows to read rather than thousands of records to unpack.
#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kz7/control/OutputData.h"

namespace kz7::app {

// Consecutive values of one position of one (interval, zone).
struct SeriesChunk {
    int16_t interval = 0;
    int32_t zone = 0;
    int32_t position = 0;
    int64_t firstStep = 0;
    int64_t steps = 0;    // steps the chunk covers
    int64_t numbers = 0;  // how many of the steps have a value (not NaN)
    // NaN where there is no value; a single value when all `steps` are equal.
    std::span<const float> values;
};

// The time of one step of an interval.
struct StepTime {
    int16_t interval = 0;
    int64_t step = 0;
    double time = 0.0;        // on the run's calendar
    double sourceTime = 0.0;  // the date the engine sent with the record
};

class SeriesBuffer {
  public:
    // Records of `interval` are events of some streams at some steps (a
    // zone's plant switching on or off): the interval's steps number the
    // distinct times of its records, a record takes the step of its time,
    // and each stream holds its records at their own steps, with gaps.
    // Other intervals' steps count each stream's records, the first record
    // of a step giving the step its time.
    void NumberStepsByTime(int16_t interval);

    // Takes one record: the next step of its (interval, zone). The first
    // record of a step gives the step its time. Its values are counted when
    // drained (SeriesChunk::numbers), in the pass that gathers them anyway.
    void Add(const ResultRecord& record);

    // Values held since the last seal or drain, and the steps the series of
    // (interval, zone) holds since then.
    int64_t PendingValues() const { return pendingValues_; }
    int64_t PendingStepsOf(int16_t interval, int32_t zone) const;
    // Values held since the last drain.
    int64_t HeldValues() const { return heldValues_; }
    // Ends the chunks of every series here: what each holds since the last
    // seal becomes one chunk when drained, exactly as if it were drained now.
    // A writer that holds several sealed parts writes them in one go.
    void Seal();
    // What Drain does with a series whose value has stayed the same: hold it
    // back as one chunk that later parts of the same value lengthen (a gain
    // the zone does not have, a flow through an element kind it lacks: a
    // year of them becomes one row rather than one per batch), or hand it on
    // with the rest (at the run's end).
    enum class Steady { Hold, Release };
    // Hands every held step time, then every chunk that holds a value (part
    // by part, each part's series in (interval, zone) order; a held-back
    // steady chunk once its value changes, or when released), and forgets
    // them; the steps go on where they stopped.
    void Drain(const std::function<void(const StepTime&)>& onTime,
               const std::function<void(const SeriesChunk&)>& onChunk, Steady steady);

  private:
    // One value standing for `steps` steps from `firstStep`.
    struct SteadyChunk {
        int64_t firstStep = 0;
        int64_t steps = 0;
        float value = 0.0f;
        bool Continues(const SeriesChunk& chunk) const;
    };
    // How a stream holds a position's values until the next drain. Most
    // positions go into the stream's rows. One whose value stayed the same
    // through the last drain, or through the stream's first
    // kRecordsToPlanFrom records (a gain the zone lacks, the cooling of a
    // winter), is kept as that one value and checked against each record;
    // the record that first differs gives it a column of its own for the
    // rest of the batch, and the next drain puts it back in the rows. So the
    // rows, written at every interval end and transposed at every drain,
    // hold what changes: at a thousand zones they take about half the
    // memory they would.
    enum class Holding : uint8_t { Rows, Constant, Column };
    static constexpr size_t kRecordsToPlanFrom = 24;  // a day of hourly records
    // What a record reads and writes of its stream is in its first two
    // cache lines.
    struct alignas(64) Stream {
        std::vector<float> rows;             // held records, `rowsUsed` values of it
        std::vector<uint32_t> rowPositions;  // the positions a row holds, in order
        int16_t interval = 0;
        int32_t zone = 0;
        bool planned = false;      // holding positions other than in the rows
        bool hasColumns = false;   // some position is held as a Column
        int64_t nextStep = 0;      // step of the next record
        int64_t firstPending = 0;  // step of the first held record
        size_t width = 0;          // positions per record
        size_t records = 0;        // held records
        size_t rowsUsed = 0;
        // By position, the value of a Constant position, then by position
        // all bits set where the position is Constant.
        std::vector<uint32_t> constantTest;
        std::vector<Holding> holding;  // by position
        std::vector<uint32_t> columnPositions;
        std::vector<std::vector<float>> columns;  // by position: a Column position's values
        std::vector<size_t> cuts;                 // held records at each seal
        // Where a held record's step is not the one after its predecessor's
        // (events only): the record and its step.
        std::vector<std::pair<size_t, int64_t>> gaps;
        // By position, the steady chunk held back, if any (steps 0: none).
        std::vector<SteadyChunk> steady;
        // By position, over the parts of the drain under way: whether every
        // part has had one value, and which (kept as its bits).
        std::vector<uint8_t> unchanged;
        std::vector<uint32_t> unchangedBits;

        void Widen(size_t newWidth);
        // Holds a record of `width` values.
        void Take(std::span<const float> values);
        // The value of `position` in held record `record`.
        float ValueAt(size_t position, size_t record) const;
        // Asks for the cache lines its next held row will be written to.
        void PrefetchNextRecord() const;
        // Notes a drained chunk of `position` for the next batch's holding.
        void NoteDrained(size_t position, std::span<const float> values, bool allSame);
        // Holds the next batch's positions as the drain just made found them.
        void PlanHolding();
        // Holds the positions as the records held so far show them.
        void PlanFromHeld();
        void ForgetRecords();
        // The step of held record `record`.
        int64_t StepOf(size_t record) const;
        // Hands on `chunk`, or holds it back as steady.
        void HandOn(const SeriesChunk& chunk,
                    const std::function<void(const SeriesChunk&)>& onChunk);
        // Hands on the steady chunk of `position`, if one is held back.
        void ReleaseSteady(size_t position, const std::function<void(const SeriesChunk&)>& onChunk);

      private:
        void HoldAll(Holding how);
        // Holds `inRows` (in order) in the rows and every other position as Constant.
        void HoldInRows(std::vector<uint32_t> inRows);
        bool AnyConstantChanged(std::span<const float> values) const;
        // Gives each Constant position `values` no longer matches a column.
        void GiveColumns(std::span<const float> values);
    };

    static uint64_t Key(int16_t interval, int32_t zone);
    // The stream of (interval, zone), made when new.
    Stream& Find(int16_t interval, int32_t zone);
    // The index of the stream of (interval, zone), the expected one first;
    // kUnknown when there is none yet.
    static constexpr size_t kUnknown = ~size_t{0};
    size_t ExpectedOrKnown(int16_t interval, int32_t zone) const;

    // Streams in the order they first came; `byKey_` finds them, `inKeyOrder_`
    // lists them by (interval, zone), the order they are written in.
    std::vector<Stream> streams_;
    std::unordered_map<uint64_t, size_t> byKey_;
    std::vector<size_t> inKeyOrder_;
    size_t expected_ = 0;  // the stream the next record most likely belongs to
    // Of each interval: the steps that have a time, and the last time.
    struct TimedSteps {
        int16_t interval = 0;
        int64_t steps = 0;
        double lastTime = 0.0;
        bool byTime = false;  // see NumberStepsByTime
    };
    std::vector<TimedSteps> timedSteps_;
    TimedSteps& TimedStepsOf(int16_t interval);
    // The step a record of `stream` at `time` takes; gives a new step its time.
    int64_t StepOfRecord(Stream& stream, const ResultRecord& record);
    std::vector<StepTime> times_;
    // Positions gathered at once: a cache line of floats.
    static constexpr size_t kColumnsAtOnce = 16;
    std::vector<float> columns_;  // scratch of Drain: kColumnsAtOnce columns of a chunk
    std::vector<float> padded_;   // scratch of Add: a record shorter than its stream
    size_t seals_ = 0;            // since the last drain
    int64_t pendingValues_ = 0;
    int64_t pendingSteps_ = 0;  // the most steps any series holds since the last seal or drain
    int64_t heldValues_ = 0;

    // Records [begin, end) of `stream` as one chunk per position with a
    // value and run of consecutive steps.
    void DrainPart(Stream& stream, size_t begin, size_t end,
                   const std::function<void(const SeriesChunk&)>& onChunk);
    // Records [begin, end) of `stream`, of consecutive steps from `firstStep`.
    void DrainRun(Stream& stream, size_t begin, size_t end, int64_t firstStep,
                  const std::function<void(const SeriesChunk&)>& onChunk);
    // Forgets the held records; steady chunks stay held back.
    void ForgetRecords();
    // Hands on one position's values of a part and notes them.
    static void DrainPosition(Stream& stream, size_t position, int64_t firstStep,
                              std::span<const float> values,
                              const std::function<void(const SeriesChunk&)>& onChunk);
};

}  // namespace kz7::app
