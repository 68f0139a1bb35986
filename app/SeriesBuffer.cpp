#include "SeriesBuffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <span>
#include <type_traits>

#include "kz7/platform/CacheLines.h"

namespace kz7::app {

namespace {
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
// A float whose bits less the sign are at most those of infinity is no NaN.
constexpr uint32_t kMagnitudeBits = 0x7fffffffu;
constexpr uint32_t kInfinityBits = 0x7f800000u;

// What a drain found of a position's values, part by part.
enum DrainedValues : uint8_t { kNotSeen, kSame, kChanged };

bool IsNumber(float value) {
    return (std::bit_cast<uint32_t>(value) & kMagnitudeBits) <= kInfinityBits;
}

// Copies `count` consecutive positions of `records` records, `width` apart,
// into one column each, `stride` apart. Each record is read once for all
// the columns, a cache line or two of it, rather than once per column; the
// columns fill side by side and stay in the nearest caches. A count known
// when compiled (a full block) unrolls the copy.
template <typename Count>
void CopyColumns(const float* rows, size_t width, size_t records, Count count, float* columns,
                 size_t stride) {
    for (size_t record = 0; record < records; ++record, rows += width)
        for (size_t column = 0; column < count; ++column)
            columns[column * stride + record] = rows[column];
}

int64_t CountNumbers(std::span<const float> values) {
    uint32_t numbers = 0;  // a chunk holds far fewer values; a 32-bit count vectorises
    for (const float value : values) numbers += IsNumber(value) ? 1 : 0;
    return numbers;
}

// Whether every value has the bits of the first, so that a run of NaN or of
// -0 stays what it is.
bool AllSame(std::span<const float> values) {
    const uint32_t first = std::bit_cast<uint32_t>(values[0]);
    uint32_t anyOther = 0;
    for (const float value : values) anyOther |= std::bit_cast<uint32_t>(value) ^ first;
    return anyOther == 0;
}
}  // namespace

// A record wider than those before it: the records held so far are laid
// out again as full rows, NaN in the new positions, and every position goes
// into the rows until the next drain.
void SeriesBuffer::Stream::Widen(size_t newWidth) {
    std::vector<float> wider(records * newWidth, kNone);
    for (size_t record = 0; record < records; ++record)
        for (size_t position = 0; position < width; ++position)
            wider[record * newWidth + position] = ValueAt(position, record);
    width = newWidth;
    rows = std::move(wider);
    rowsUsed = rows.size();
    steady.resize(newWidth);
    HoldAll(Holding::Rows);
    planned = false;
}

void SeriesBuffer::Stream::HoldAll(Holding how) {
    holding.assign(width, how);
    rowPositions.clear();
    if (how == Holding::Rows)
        for (size_t position = 0; position < width; ++position)
            rowPositions.push_back(static_cast<uint32_t>(position));
    constantTest.assign(2 * width, 0u);
    if (how == Holding::Constant) std::fill(constantTest.begin() + width, constantTest.end(), ~0u);
    columnPositions.clear();
    hasColumns = false;
    columns.resize(width);
    for (std::vector<float>& column : columns) column.clear();
}

float SeriesBuffer::Stream::ValueAt(size_t position, size_t record) const {
    switch (holding[position]) {
        case Holding::Constant:
            return std::bit_cast<float>(constantTest[position]);
        case Holding::Column:
            return columns[position][record];
        case Holding::Rows:
            break;
    }
    const auto inRow = std::lower_bound(rowPositions.begin(), rowPositions.end(), position);
    return rows[record * rowPositions.size() + static_cast<size_t>(inRow - rowPositions.begin())];
}

bool SeriesBuffer::Stream::AnyConstantChanged(std::span<const float> values) const {
    const uint32_t* bits = constantTest.data();
    const uint32_t* mask = bits + width;
    uint32_t changed = 0;
    for (size_t position = 0; position < width; ++position)
        changed |= (std::bit_cast<uint32_t>(values[position]) ^ bits[position]) & mask[position];
    return changed != 0;
}

void SeriesBuffer::Stream::GiveColumns(std::span<const float> values) {
    for (size_t position = 0; position < width; ++position) {
        if (constantTest[width + position] == 0 ||
            std::bit_cast<uint32_t>(values[position]) == constantTest[position])
            continue;
        holding[position] = Holding::Column;
        constantTest[width + position] = 0;
        columns[position].assign(records, std::bit_cast<float>(constantTest[position]));
        columnPositions.push_back(static_cast<uint32_t>(position));
        hasColumns = true;
    }
}

void SeriesBuffer::Stream::Take(std::span<const float> values) {
    if (records == 0) {
        for (size_t position = 0; position < width; ++position)
            constantTest[position] = std::bit_cast<uint32_t>(values[position]);
    } else if (AnyConstantChanged(values)) {
        GiveColumns(values);
    }
    const size_t rowWidth = rowPositions.size();
    if (rowsUsed + rowWidth > rows.size())
        rows.resize(std::max(2 * rows.size(), rowsUsed + rowWidth));
    float* row = rows.data() + rowsUsed;
    for (size_t column = 0; column < rowWidth; ++column) row[column] = values[rowPositions[column]];
    rowsUsed += rowWidth;
    if (hasColumns)
        for (const uint32_t position : columnPositions)
            columns[position].push_back(values[position]);
    ++records;
    if (!planned && records >= kRecordsToPlanFrom) PlanFromHeld();
}

// A stream's next record lands on memory last written a batch ago. With a
// hundred streams or more filling at once, one record each per interval end,
// no hardware prefetcher follows them, and each record's stores waited on
// their cache lines, stalling the engine's own work at the interval end.
// Records come in the same order at every interval end, so the lines of the
// record after next are asked for while this one is taken: they arrive in
// the meantime, and soon enough to be still there however many zones a run
// has.
void SeriesBuffer::Stream::PrefetchNextRecord() const {
    // Addresses as integers: the lines may lie past the vector's storage.
    const auto next = reinterpret_cast<uintptr_t>(rows.data() + rowsUsed);
    PrefetchRange(reinterpret_cast<const void*>(next),
                  reinterpret_cast<const void*>(next + rowPositions.size() * sizeof(float)),
                  PrefetchFor::Writing);
}

void SeriesBuffer::Stream::NoteDrained(size_t position, std::span<const float> values,
                                       bool allSame) {
    const uint32_t bits = std::bit_cast<uint32_t>(values[0]);
    uint8_t& state = unchanged[position];
    if (state == kNotSeen)
        state = allSame ? kSame : kChanged;
    else if (state == kSame && !(allSame && bits == unchangedBits[position]))
        state = kChanged;
    unchangedBits[position] = bits;
}

void SeriesBuffer::Stream::PlanHolding() {
    if (records == 0) return;  // nothing drained: the holding stays as it was
    std::vector<uint32_t> inRows;
    for (size_t position = 0; position < width; ++position)
        if (unchanged[position] != kSame) inRows.push_back(static_cast<uint32_t>(position));
    HoldInRows(std::move(inRows));
}

void SeriesBuffer::Stream::HoldInRows(std::vector<uint32_t> inRows) {
    HoldAll(Holding::Constant);
    for (const uint32_t position : inRows) {
        holding[position] = Holding::Rows;
        constantTest[width + position] = 0;
    }
    rowPositions = std::move(inRows);
    planned = true;
}

void SeriesBuffer::Stream::PlanFromHeld() {
    std::vector<uint32_t> firstBits(width), inRows;
    for (size_t position = 0; position < width; ++position) {
        firstBits[position] = std::bit_cast<uint32_t>(ValueAt(position, 0));
        for (size_t record = 1; record < records; ++record) {
            if (std::bit_cast<uint32_t>(ValueAt(position, record)) == firstBits[position]) continue;
            inRows.push_back(static_cast<uint32_t>(position));
            break;
        }
    }
    std::vector<float> narrower;
    narrower.reserve(records * inRows.size());
    for (size_t record = 0; record < records; ++record)
        for (const uint32_t position : inRows) narrower.push_back(ValueAt(position, record));
    HoldInRows(std::move(inRows));
    std::copy(firstBits.begin(), firstBits.end(), constantTest.begin());
    rows = std::move(narrower);
    rowsUsed = rows.size();
}

void SeriesBuffer::Stream::ForgetRecords() {
    rowsUsed = 0;
    for (const uint32_t position : columnPositions) columns[position].clear();
    cuts.clear();
    gaps.clear();
    records = 0;
}

uint64_t SeriesBuffer::Key(int16_t interval, int32_t zone) {
    return static_cast<uint64_t>(static_cast<uint16_t>(interval)) << 32 |
           static_cast<uint32_t>(zone);
}

// The engine sends the records of an interval end in the same order every
// time (zones, then building and plant), so the stream after the last one
// used is tried before the index.
size_t SeriesBuffer::ExpectedOrKnown(int16_t interval, int32_t zone) const {
    if (expected_ < streams_.size() && streams_[expected_].interval == interval &&
        streams_[expected_].zone == zone)
        return expected_;
    const auto found = byKey_.find(Key(interval, zone));
    return found == byKey_.end() ? kUnknown : found->second;
}

SeriesBuffer::Stream& SeriesBuffer::Find(int16_t interval, int32_t zone) {
    if (const size_t known = ExpectedOrKnown(interval, zone); known != kUnknown) {
        expected_ = known + 1;
        return streams_[known];
    }
    const size_t made = streams_.size();
    byKey_.emplace(Key(interval, zone), made);
    Stream& stream = streams_.emplace_back();
    stream.interval = interval;
    stream.zone = zone;
    stream.cuts.assign(seals_, 0);  // held nothing at the seals before it
    const auto place = std::lower_bound(
        inKeyOrder_.begin(), inKeyOrder_.end(), std::pair(interval, zone),
        [this](size_t index, const std::pair<int16_t, int32_t>& key) {
            return std::pair(streams_[index].interval, streams_[index].zone) < key;
        });
    inKeyOrder_.insert(place, made);
    expected_ = made + 1;
    return stream;
}

int64_t SeriesBuffer::PendingStepsOf(int16_t interval, int32_t zone) const {
    const size_t index = ExpectedOrKnown(interval, zone);
    if (index == kUnknown) return 0;
    const Stream& stream = streams_[index];
    const size_t sealed = stream.cuts.empty() ? 0 : stream.cuts.back();
    return static_cast<int64_t>(stream.records - sealed);
}

void SeriesBuffer::Add(const ResultRecord& record) {
    Stream& stream = Find(record.interval, record.zone);
    if (record.values.size() > stream.width) stream.Widen(record.values.size());
    const int64_t step = StepOfRecord(stream, record);
    if (stream.records == 0)
        stream.firstPending = step;
    else if (step != stream.nextStep)
        stream.gaps.emplace_back(stream.records, step);
    stream.nextStep = step + 1;
    std::span<const float> values = record.values;
    if (values.size() < stream.width) {
        padded_.assign(values.begin(), values.end());
        padded_.resize(stream.width, kNone);
        values = padded_;
    }
    stream.Take(values);
    // The record after next most likely goes to the stream after next
    // (see PrefetchNextRecord).
    if (expected_ + 1 < streams_.size()) streams_[expected_ + 1].PrefetchNextRecord();
    pendingValues_ += static_cast<int64_t>(stream.width);
    heldValues_ += static_cast<int64_t>(stream.width);
    const size_t sealed = stream.cuts.empty() ? 0 : stream.cuts.back();
    pendingSteps_ = std::max(pendingSteps_, static_cast<int64_t>(stream.records - sealed));
}

void SeriesBuffer::NumberStepsByTime(int16_t interval) {
    TimedStepsOf(interval).byTime = true;
}

SeriesBuffer::TimedSteps& SeriesBuffer::TimedStepsOf(int16_t interval) {
    const auto found =
        std::find_if(timedSteps_.begin(), timedSteps_.end(),
                     [interval](const TimedSteps& of) { return of.interval == interval; });
    if (found != timedSteps_.end()) return *found;
    return timedSteps_.emplace_back(TimedSteps{interval});
}

int64_t SeriesBuffer::StepOfRecord(Stream& stream, const ResultRecord& record) {
    TimedSteps& timed = TimedStepsOf(record.interval);
    int64_t step = stream.nextStep;
    if (timed.byTime)  // a record at the last time shares its step
        step = timed.steps > 0 && record.time == timed.lastTime ? timed.steps - 1 : timed.steps;
    if (step >= timed.steps) {
        times_.push_back({record.interval, step, record.time, record.date});
        timed.steps = step + 1;
        timed.lastTime = record.time;
    }
    return step;
}

void SeriesBuffer::Seal() {
    if (pendingSteps_ == 0) return;
    for (Stream& stream : streams_) stream.cuts.push_back(stream.records);
    ++seals_;
    pendingValues_ = 0;
    pendingSteps_ = 0;
}

void SeriesBuffer::Drain(const std::function<void(const StepTime&)>& onTime,
                         const std::function<void(const SeriesChunk&)>& onChunk, Steady steady) {
    for (const StepTime& time : times_) onTime(time);
    for (Stream& stream : streams_) {
        stream.unchanged.assign(stream.width, kNotSeen);
        stream.unchangedBits.assign(stream.width, 0u);
    }
    for (size_t part = 0; part <= seals_; ++part) {
        for (const size_t index : inKeyOrder_) {
            Stream& stream = streams_[index];
            const size_t begin = part == 0 ? 0 : stream.cuts[part - 1];
            const size_t end = part < seals_ ? stream.cuts[part] : stream.records;
            if (end > begin) DrainPart(stream, begin, end, onChunk);
        }
    }
    if (steady == Steady::Release) {
        for (const size_t index : inKeyOrder_) {
            Stream& stream = streams_[index];
            for (size_t position = 0; position < stream.steady.size(); ++position)
                stream.ReleaseSteady(position, onChunk);
        }
    }
    ForgetRecords();
}

// Bit for bit the same value, so that -0 does not continue a run of 0.
bool SeriesBuffer::SteadyChunk::Continues(const SeriesChunk& chunk) const {
    return steps > 0 && firstStep + steps == chunk.firstStep &&
           std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(chunk.values[0]);
}

void SeriesBuffer::Stream::ReleaseSteady(size_t position,
                                         const std::function<void(const SeriesChunk&)>& onChunk) {
    SteadyChunk& held = steady[position];
    if (held.steps == 0) return;
    onChunk({interval, zone, static_cast<int32_t>(position), held.firstStep, held.steps, held.steps,
             std::span<const float>(&held.value, 1)});
    held.steps = 0;
}

void SeriesBuffer::Stream::HandOn(const SeriesChunk& chunk,
                                  const std::function<void(const SeriesChunk&)>& onChunk) {
    const auto position = static_cast<size_t>(chunk.position);
    SteadyChunk& held = steady[position];
    // Only a chunk whose steps all hold the one value (not a run of NaN,
    // which is never handed on) is held back; its numbers are its steps.
    const bool isSteady = chunk.values.size() == 1 && chunk.numbers == chunk.steps;
    if (isSteady && held.Continues(chunk)) {
        held.steps += chunk.steps;
        return;
    }
    ReleaseSteady(position, onChunk);
    if (isSteady)
        held = {chunk.firstStep, chunk.steps, chunk.values[0]};
    else
        onChunk(chunk);
}

int64_t SeriesBuffer::Stream::StepOf(size_t record) const {
    const auto after = std::upper_bound(gaps.begin(), gaps.end(), record,
                                        [](size_t at, const auto& gap) { return at < gap.first; });
    if (after == gaps.begin()) return firstPending + static_cast<int64_t>(record);
    const auto& gap = *std::prev(after);
    return gap.second + static_cast<int64_t>(record - gap.first);
}

void SeriesBuffer::DrainPart(Stream& stream, size_t begin, size_t end,
                             const std::function<void(const SeriesChunk&)>& onChunk) {
    size_t from = begin;
    for (const auto& gap : stream.gaps) {
        if (gap.first <= from) continue;
        if (gap.first >= end) break;
        DrainRun(stream, from, gap.first, stream.StepOf(from), onChunk);
        from = gap.first;
    }
    DrainRun(stream, from, end, stream.StepOf(from), onChunk);
}

// Positions in order: those in the rows from their columns, gathered
// kColumnsAtOnce at a time.
void SeriesBuffer::DrainRun(Stream& stream, size_t begin, size_t end, int64_t firstStep,
                            const std::function<void(const SeriesChunk&)>& onChunk) {
    const size_t records = end - begin;
    // Columns a cache line longer than the chunk, so that they do not all
    // fall on the same cache sets when the chunk's bytes are a power of two.
    const size_t stride = records + kColumnsAtOnce;
    columns_.resize(kColumnsAtOnce * stride);
    const size_t rowWidth = stream.rowPositions.size();
    size_t inRow = 0;  // the next position's place in a row
    for (size_t position = 0; position < stream.width; ++position) {
        switch (stream.holding[position]) {
            case Holding::Rows: {
                const size_t column = inRow % kColumnsAtOnce;
                if (column == 0) {
                    const size_t count = std::min(kColumnsAtOnce, rowWidth - inRow);
                    const float* rows = stream.rows.data() + begin * rowWidth + inRow;
                    if (count == kColumnsAtOnce)
                        CopyColumns(rows, rowWidth, records,
                                    std::integral_constant<size_t, kColumnsAtOnce>{},
                                    columns_.data(), stride);
                    else
                        CopyColumns(rows, rowWidth, records, count, columns_.data(), stride);
                }
                ++inRow;
                DrainPosition(stream, position, firstStep,
                              std::span<const float>(columns_.data() + column * stride, records),
                              onChunk);
                break;
            }
            case Holding::Column:
                DrainPosition(
                    stream, position, firstStep,
                    std::span<const float>(stream.columns[position]).subspan(begin, records),
                    onChunk);
                break;
            case Holding::Constant: {
                const float value = std::bit_cast<float>(stream.constantTest[position]);
                stream.NoteDrained(position, std::span<const float>(&value, 1), true);
                if (!IsNumber(value)) break;
                const auto steps = static_cast<int64_t>(records);
                stream.HandOn({stream.interval, stream.zone, static_cast<int32_t>(position),
                               firstStep, steps, steps, std::span<const float>(&value, 1)},
                              onChunk);
                break;
            }
        }
    }
}

void SeriesBuffer::DrainPosition(Stream& stream, size_t position, int64_t firstStep,
                                 std::span<const float> values,
                                 const std::function<void(const SeriesChunk&)>& onChunk) {
    const bool allSame = AllSame(values);
    stream.NoteDrained(position, values, allSame);
    const int64_t numbers = CountNumbers(values);
    if (numbers == 0) return;
    // A variable that stays the same (a gain the zone does not have,
    // heating all summer) is kept as its one value.
    stream.HandOn(
        {stream.interval, stream.zone, static_cast<int32_t>(position), firstStep,
         static_cast<int64_t>(values.size()), numbers, allSame ? values.first(1) : values},
        onChunk);
}

void SeriesBuffer::ForgetRecords() {
    for (Stream& stream : streams_) {
        stream.PlanHolding();
        stream.ForgetRecords();
    }
    times_.clear();
    seals_ = 0;
    pendingValues_ = 0;
    pendingSteps_ = 0;
    heldValues_ = 0;
}

}  // namespace kz7::app
