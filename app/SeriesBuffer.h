#pragma once
// The records of a run on their way into the result database, held as
// series: for each interval and zone a run of steps, each step one record of
// values by position. When drained, each position of each (interval, zone)
// becomes one chunk of consecutive steps, so that a year of one variable of
// one zone is a few rows to read rather than thousands of records to unpack.
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <span>
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
    int64_t steps = 0;              // steps the chunk covers
    int64_t numbers = 0;            // how many of the steps have a value (not NaN)
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
    // Takes one record: the next step of its (interval, zone). The first
    // record of a step gives the step its time. Its values are counted when
    // drained (SeriesChunk::numbers), in the pass that gathers them anyway.
    void Add(const ResultRecord& record);

    // Values held since the last seal or drain, and the most steps any
    // series holds since then.
    int64_t PendingValues() const { return pendingValues_; }
    int64_t PendingSteps() const { return pendingSteps_; }
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
    struct Stream {
        int16_t interval = 0;
        int32_t zone = 0;
        int64_t nextStep = 0;      // step of the next record
        int64_t firstPending = 0;  // step of the first held record
        size_t width = 0;          // values per held record
        std::vector<float> values;  // held records one after another
        std::vector<size_t> cuts;   // held records at each seal
        // By position, the steady chunk held back, if any (steps 0: none).
        std::vector<SteadyChunk> steady;
        size_t Records() const { return width == 0 ? 0 : values.size() / width; }
        void Widen(size_t newWidth);
        // Asks for the cache lines its next held record will be written to.
        void PrefetchNextRecord() const;
        // Hands on `chunk`, or holds it back as steady.
        void HandOn(const SeriesChunk& chunk, const std::function<void(const SeriesChunk&)>& onChunk);
        // Hands on the steady chunk of `position`, if one is held back.
        void ReleaseSteady(size_t position, const std::function<void(const SeriesChunk&)>& onChunk);
    };

    static uint64_t Key(int16_t interval, int32_t zone);
    // The stream of (interval, zone), made when new.
    Stream& Find(int16_t interval, int32_t zone);

    // Streams in the order they first came; `byKey_` finds them, `inKeyOrder_`
    // lists them by (interval, zone), the order they are written in.
    std::vector<Stream> streams_;
    std::unordered_map<uint64_t, size_t> byKey_;
    std::vector<size_t> inKeyOrder_;
    size_t expected_ = 0;  // the stream the next record most likely belongs to
    // Steps of each interval that have a time.
    std::vector<std::pair<int16_t, int64_t>> timedSteps_;
    std::vector<StepTime> times_;
    // Positions gathered at once: a cache line of floats.
    static constexpr size_t kColumnsAtOnce = 16;
    std::vector<float> columns_;  // scratch of Drain: kColumnsAtOnce columns of a chunk
    size_t seals_ = 0;            // since the last drain
    int64_t pendingValues_ = 0;
    int64_t pendingSteps_ = 0;
    int64_t heldValues_ = 0;

    // Records [begin, end) of `stream` as one chunk per position with a value.
    void DrainPart(Stream& stream, size_t begin, size_t end,
                   const std::function<void(const SeriesChunk&)>& onChunk);
    // Forgets the held records; steady chunks stay held back.
    void ForgetRecords();
};

}  // namespace kz7::app
