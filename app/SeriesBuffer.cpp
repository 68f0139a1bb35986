#include "SeriesBuffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kz7::app {

namespace {
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
}  // namespace

void SeriesBuffer::Stream::Widen(size_t newWidth) {
    const size_t records = width == 0 ? 0 : values.size() / width;
    std::vector<float> wider(records * newWidth, kNone);
    for (size_t record = 0; record < records; ++record)
        std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(record * width), width,
                    wider.begin() + static_cast<std::ptrdiff_t>(record * newWidth));
    values = std::move(wider);
    width = newWidth;
}

void SeriesBuffer::Add(const ResultRecord& record) {
    Stream& stream = streams_[{record.interval, record.zone}];
    if (record.values.size() > stream.width) stream.Widen(record.values.size());
    if (stream.values.empty()) stream.firstPending = stream.nextStep;
    stream.values.insert(stream.values.end(), record.values.begin(), record.values.end());
    stream.values.resize(stream.values.size() + stream.width - record.values.size(), kNone);
    pendingValues_ += static_cast<int64_t>(stream.width);
    pendingSteps_ =
        std::max(pendingSteps_, static_cast<int64_t>(stream.values.size() / stream.width));

    const int64_t step = stream.nextStep++;
    int64_t& timed = timedSteps_[record.interval];
    if (step >= timed) {
        times_.push_back({record.interval, step, record.time, record.date});
        timed = step + 1;
    }
}

void SeriesBuffer::Drain(const std::function<void(const StepTime&)>& onTime,
                         const std::function<void(const SeriesChunk&)>& onChunk) {
    for (const StepTime& time : times_) onTime(time);
    for (auto& [key, stream] : streams_) {
        if (stream.values.empty()) continue;
        const size_t records = stream.values.size() / stream.width;
        column_.resize(records);
        for (size_t position = 0; position < stream.width; ++position) {
            bool anyValue = false;
            bool allEqual = true;
            for (size_t record = 0; record < records; ++record) {
                const float value = stream.values[record * stream.width + position];
                column_[record] = value;
                anyValue = anyValue || !std::isnan(value);
                // Bitwise, so that a run of NaN or of -0 stays what it is.
                allEqual = allEqual && std::bit_cast<uint32_t>(value) ==
                                           std::bit_cast<uint32_t>(column_[0]);
            }
            if (!anyValue) continue;
            // A variable that stays the same (a gain the zone does not have,
            // heating all summer) is kept as its one value.
            const std::span<const float> values(column_.data(), allEqual ? 1 : records);
            onChunk({key.first, key.second, static_cast<int32_t>(position), stream.firstPending,
                     static_cast<int64_t>(records), values});
        }
        stream.values.clear();
    }
    times_.clear();
    pendingValues_ = 0;
    pendingSteps_ = 0;
}

void SeriesBuffer::Discard() {
    for (auto& [key, stream] : streams_) stream.values.clear();
    times_.clear();
    pendingValues_ = 0;
    pendingSteps_ = 0;
}

}  // namespace kz7::app
