#include "SeriesBuffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kz7::app {

namespace {
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
// Bitwise, so that a run of NaN or of -0 stays what it is.
uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }
}  // namespace

// `held`: the values the column holds since the seal before this one.
void SeriesBuffer::Column::Add(float value, size_t held, size_t reserve) {
    anyValue = anyValue || !std::isnan(value);
    if (!values.empty()) {
        values.push_back(value);
    } else if (held == 0) {
        firstBits = Bits(value);
    } else if (Bits(value) != firstBits) {
        values.reserve(std::max(reserve, held + 1));
        values.assign(held, std::bit_cast<float>(firstBits));
        values.push_back(value);
    }
}

// Positions a stream gains hold nothing before: NaN in the records it holds already.
void SeriesBuffer::Stream::Widen(size_t newWidth) {
    columns.resize(newWidth);
    for (size_t position = width; position < newWidth; ++position)
        columns[position].firstBits = Bits(kNone);
    width = newWidth;
}

// The open part of every position that holds a value becomes a chunk of part `part`.
void SeriesBuffer::Stream::Seal(size_t part) {
    if (openRecords > 0) {
        for (size_t position = 0; position < columns.size(); ++position) {
            Column& column = columns[position];
            if (column.anyValue) {
                SealedChunk& chunk = sealed.emplace_back();
                chunk.part = part;
                chunk.position = static_cast<int32_t>(position);
                chunk.begin = sealedRecords;
                chunk.steps = openRecords;
                if (column.values.empty())
                    chunk.values.assign(1, std::bit_cast<float>(column.firstBits));
                else
                    chunk.values = std::move(column.values);
            }
            column.values.clear();
            column.anyValue = false;
        }
        lastPart = openRecords;
    }
    sealedRecords += openRecords;
    openRecords = 0;
}

void SeriesBuffer::Stream::Clear() {
    for (Column& column : columns) {
        column.values.clear();
        column.anyValue = false;
    }
    sealed.clear();
    sealedRecords = 0;
    openRecords = 0;
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
    const int64_t step = stream.nextStep++;
    if (stream.width > 0) {  // a stream of empty records holds none of them
        if (stream.Records() == 0) stream.firstPending = step;
        const size_t given = record.values.size();
        for (size_t position = 0; position < stream.width; ++position)
            stream.columns[position].Add(position < given ? record.values[position] : kNone,
                                         stream.openRecords, stream.lastPart);
        ++stream.openRecords;
    }
    pendingValues_ += static_cast<int64_t>(stream.width);
    heldValues_ += static_cast<int64_t>(stream.width);
    pendingSteps_ = std::max(pendingSteps_, static_cast<int64_t>(stream.openRecords));

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
    for (Stream& stream : streams_) stream.Seal(seals_);
    ++seals_;
    pendingValues_ = 0;
    pendingSteps_ = 0;
}

void SeriesBuffer::Drain(const std::function<void(const StepTime&)>& onTime,
                         const std::function<void(const SeriesChunk&)>& onChunk) {
    for (const StepTime& time : times_) onTime(time);
    // Sealed chunks lie in each stream by part: one cursor per stream walks them.
    std::vector<size_t> next(streams_.size(), 0);
    for (size_t part = 0; part < seals_; ++part) {
        for (const size_t index : inKeyOrder_) {
            const Stream& stream = streams_[index];
            size_t& chunk = next[index];
            for (; chunk < stream.sealed.size() && stream.sealed[chunk].part == part; ++chunk) {
                const SealedChunk& sealed = stream.sealed[chunk];
                Hand(stream, sealed.position, sealed.begin, sealed.steps, sealed.values, onChunk);
            }
        }
    }
    for (const size_t index : inKeyOrder_) {
        const Stream& stream = streams_[index];
        if (stream.openRecords == 0) continue;
        for (size_t position = 0; position < stream.columns.size(); ++position) {
            const Column& column = stream.columns[position];
            if (!column.anyValue) continue;
            const float constant = std::bit_cast<float>(column.firstBits);
            const std::span<const float> values =
                column.values.empty() ? std::span<const float>(&constant, 1) : column.values;
            Hand(stream, static_cast<int32_t>(position), stream.sealedRecords, stream.openRecords,
                 values, onChunk);
        }
    }
    Discard();
}

// A variable that stays the same (a gain the zone does not have, heating all
// summer) is kept as its one value.
void SeriesBuffer::Hand(const Stream& stream, int32_t position, size_t begin, size_t steps,
                        std::span<const float> values,
                        const std::function<void(const SeriesChunk&)>& onChunk) {
    onChunk({stream.interval, stream.zone, position, stream.firstPending + static_cast<int64_t>(begin),
             static_cast<int64_t>(steps), values});
}

void SeriesBuffer::Discard() {
    for (Stream& stream : streams_) stream.Clear();
    times_.clear();
    seals_ = 0;
    pendingValues_ = 0;
    pendingSteps_ = 0;
    heldValues_ = 0;
}

}  // namespace kz7::app
