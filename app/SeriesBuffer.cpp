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

void SeriesBuffer::Stream::Widen(size_t newWidth) {
    const size_t records = width == 0 ? 0 : values.size() / width;
    std::vector<float> wider(records * newWidth, kNone);
    for (size_t record = 0; record < records; ++record)
        std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(record * width), width,
                    wider.begin() + static_cast<std::ptrdiff_t>(record * newWidth));
    values = std::move(wider);
    width = newWidth;
    steady.resize(newWidth);
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
    const auto next = reinterpret_cast<uintptr_t>(values.data() + values.size());
    PrefetchRange(reinterpret_cast<const void*>(next),
                  reinterpret_cast<const void*>(next + width * sizeof(float)), PrefetchFor::Writing);
}

uint64_t SeriesBuffer::Key(int16_t interval, int32_t zone) {
    return static_cast<uint64_t>(static_cast<uint16_t>(interval)) << 32 |
           static_cast<uint32_t>(zone);
}

// The engine sends the records of an interval end in the same order every
// time (zones, then building and plant), so the stream after the last one
// used is tried before the index.
SeriesBuffer::Stream& SeriesBuffer::Find(int16_t interval, int32_t zone) {
    if (expected_ < streams_.size() && streams_[expected_].interval == interval &&
        streams_[expected_].zone == zone)
        return streams_[expected_++];
    const auto [found, added] = byKey_.try_emplace(Key(interval, zone), streams_.size());
    if (added) {
        Stream& made = streams_.emplace_back();
        made.interval = interval;
        made.zone = zone;
        made.cuts.assign(seals_, 0);  // held nothing at the seals before it
        const auto place = std::lower_bound(
            inKeyOrder_.begin(), inKeyOrder_.end(), std::pair(interval, zone),
            [this](size_t index, const std::pair<int16_t, int32_t>& key) {
                return std::pair(streams_[index].interval, streams_[index].zone) < key;
            });
        inKeyOrder_.insert(place, found->second);
    }
    expected_ = found->second + 1;
    return streams_[found->second];
}

void SeriesBuffer::Add(const ResultRecord& record) {
    Stream& stream = Find(record.interval, record.zone);
    if (record.values.size() > stream.width) stream.Widen(record.values.size());
    if (stream.values.empty()) stream.firstPending = stream.nextStep;
    stream.values.insert(stream.values.end(), record.values.begin(), record.values.end());
    if (record.values.size() < stream.width)
        stream.values.resize(stream.values.size() + stream.width - record.values.size(), kNone);
    // The record after next most likely goes to the stream after next
    // (see PrefetchNextRecord).
    if (expected_ + 1 < streams_.size()) streams_[expected_ + 1].PrefetchNextRecord();
    pendingValues_ += static_cast<int64_t>(stream.width);
    heldValues_ += static_cast<int64_t>(stream.width);
    const size_t sealed = stream.cuts.empty() ? 0 : stream.cuts.back();
    pendingSteps_ = std::max(pendingSteps_, static_cast<int64_t>(stream.Records() - sealed));

    const int64_t step = stream.nextStep++;
    auto timedOf = std::find_if(timedSteps_.begin(), timedSteps_.end(),
                                [&record](const auto& entry) { return entry.first == record.interval; });
    if (timedOf == timedSteps_.end())
        timedOf = timedSteps_.insert(timedSteps_.end(), {record.interval, 0});
    int64_t& timed = timedOf->second;
    if (step >= timed) {
        times_.push_back({record.interval, step, record.time, record.date});
        timed = step + 1;
    }
}

void SeriesBuffer::Seal() {
    if (pendingSteps_ == 0) return;
    for (Stream& stream : streams_) stream.cuts.push_back(stream.Records());
    ++seals_;
    pendingValues_ = 0;
    pendingSteps_ = 0;
}

void SeriesBuffer::Drain(const std::function<void(const StepTime&)>& onTime,
                         const std::function<void(const SeriesChunk&)>& onChunk, Steady steady) {
    for (const StepTime& time : times_) onTime(time);
    for (size_t part = 0; part <= seals_; ++part) {
        for (const size_t index : inKeyOrder_) {
            Stream& stream = streams_[index];
            const size_t begin = part == 0 ? 0 : stream.cuts[part - 1];
            const size_t end = part < seals_ ? stream.cuts[part] : stream.Records();
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
    onChunk({interval, zone, static_cast<int32_t>(position), held.firstStep, held.steps,
             held.steps, std::span<const float>(&held.value, 1)});
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

void SeriesBuffer::DrainPart(Stream& stream, size_t begin, size_t end,
                             const std::function<void(const SeriesChunk&)>& onChunk) {
    const size_t records = end - begin;
    // Columns a cache line longer than the chunk, so that they do not all
    // fall on the same cache sets when the chunk's bytes are a power of two.
    const size_t stride = records + kColumnsAtOnce;
    columns_.resize(kColumnsAtOnce * stride);
    for (size_t first = 0; first < stream.width; first += kColumnsAtOnce) {
        const size_t count = std::min(kColumnsAtOnce, stream.width - first);
        const float* rows = stream.values.data() + begin * stream.width + first;
        if (count == kColumnsAtOnce)
            CopyColumns(rows, stream.width, records,
                        std::integral_constant<size_t, kColumnsAtOnce>{}, columns_.data(), stride);
        else
            CopyColumns(rows, stream.width, records, count, columns_.data(), stride);
        for (size_t column = 0; column < count; ++column) {
            const std::span<const float> values(columns_.data() + column * stride, records);
            const int64_t numbers = CountNumbers(values);
            if (numbers == 0) continue;
            // A variable that stays the same (a gain the zone does not have,
            // heating all summer) is kept as its one value.
            stream.HandOn({stream.interval, stream.zone, static_cast<int32_t>(first + column),
                           stream.firstPending + static_cast<int64_t>(begin),
                           static_cast<int64_t>(records), numbers,
                           AllSame(values) ? values.first(1) : values},
                          onChunk);
        }
    }
}

void SeriesBuffer::ForgetRecords() {
    for (Stream& stream : streams_) {
        stream.values.clear();
        stream.cuts.clear();
    }
    times_.clear();
    seals_ = 0;
    pendingValues_ = 0;
    pendingSteps_ = 0;
    heldValues_ = 0;
}

}  // namespace kz7::app
