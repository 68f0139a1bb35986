// Held records written as one part at a time or several parts at once give
// the same chunks and times: holding more before a write never changes what
// is stored, nor does how a stream holds a position between writes (in its
// rows, as a value it has kept, or in a column once that value changes). A
// value that stays the same is one chunk however many parts it spans.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

#include "SeriesBuffer.h"

namespace kz7::app {
namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

using Chunk = std::tuple<int16_t, int32_t, int32_t, int64_t, int64_t, std::vector<uint32_t>>;
using Time = std::tuple<int16_t, int64_t, double, double>;

struct Drained {
    std::vector<Time> times;
    std::vector<Chunk> chunks;
    int64_t numbers = 0;
    void From(SeriesBuffer& buffer, SeriesBuffer::Steady steady) {
        buffer.Drain(
            [this](const StepTime& t) {
                times.emplace_back(t.interval, t.step, t.time, t.sourceTime);
            },
            [this](const SeriesChunk& c) {
                std::vector<uint32_t> bits;
                for (float value : c.values) bits.push_back(std::bit_cast<uint32_t>(value));
                numbers += c.numbers;
                chunks.emplace_back(c.interval, c.zone, c.position, c.firstStep, c.steps, bits);
            },
            steady);
        std::sort(chunks.begin(), chunks.end());
    }
};

// Hour `hour`'s records: three zones (one widening after hour 30 and with a
// value that is 0 until hour 40, then -0, then changes; one with a value
// that stays the same and one that differs only in hour 2; a wide one whose
// position 5 changes every hour and 37 stays the same until hour 50),
// weather, and from hour 12 a daily record. Returns how many of their values
// are numbers.
int64_t AddHour(SeriesBuffer& buffer, int hour) {
    int64_t numbers = 0;
    const auto add = [&](const ResultRecord& record) {
        buffer.Add(record);
        for (float value : record.values) numbers += std::isnan(value) ? 0 : 1;
    };
    const double time = hour / 24.0;
    std::vector<float> zone(hour > 30 ? 8 : 5, kNone);
    zone[1] = static_cast<float>(hour) * 0.5f;
    zone[2] = 7.0f;
    zone[3] = hour < 40 ? 0.0f : hour == 40 ? -0.0f : static_cast<float>(hour);
    zone.back() = hour % 3 == 0 ? kNone : -0.0f;
    add({2, 1, zone, time, time});
    std::vector<float> other{kNone, static_cast<float>(-hour), 21.0f, hour == 2 ? 3.0f : 4.0f};
    add({2, 2, other, time, time});
    std::vector<float> wide(40, 1.0f);
    wide[5] = static_cast<float>(hour);
    wide[37] = hour <= 50 ? 5.0f : static_cast<float>(hour);
    add({2, 3, wide, time, time});
    std::vector<float> weather{kNone, 12.5f + static_cast<float>(hour % 4)};
    add({2, -1, weather, time - 9.0, time});
    if (hour >= 12 && hour % 4 == 0) add({3, 0, zone, time, time});
    return numbers;
}

TEST(SeriesBufferTest, PartsWrittenTogetherGiveTheChunksOfPartsWrittenAlone) {
    // Hours after which a part ends: the last part of the second write
    // holds more records than a stream takes to find its steady positions.
    const std::vector<int> partEnds{4, 8, 11, 15, 20, 33, 45, 52};
    constexpr int kHours = 60;
    SeriesBuffer alone, together, twoWrites;
    Drained eachPart, onceAtEnd, inTwo;
    int64_t numbers = 0;
    for (int hour = 1; hour <= kHours; ++hour) {
        numbers += AddHour(alone, hour);
        for (SeriesBuffer* buffer : {&together, &twoWrites}) AddHour(*buffer, hour);
        bool ends = false;
        for (int end : partEnds) ends = ends || end == hour;
        if (!ends) continue;
        eachPart.From(alone, SeriesBuffer::Steady::Hold);
        together.Seal();
        twoWrites.Seal();
        if (hour == 11) inTwo.From(twoWrites, SeriesBuffer::Steady::Hold);
    }
    EXPECT_GT(together.HeldValues(), twoWrites.HeldValues());
    eachPart.From(alone, SeriesBuffer::Steady::Release);
    onceAtEnd.From(together, SeriesBuffer::Steady::Release);
    inTwo.From(twoWrites, SeriesBuffer::Steady::Release);
    EXPECT_EQ(onceAtEnd.chunks, eachPart.chunks);
    EXPECT_EQ(inTwo.chunks, eachPart.chunks);
    // Every number is counted once, in whichever chunk holds it, a value
    // kept once for a run of equal ones included.
    EXPECT_EQ(eachPart.numbers, numbers);
    EXPECT_EQ(onceAtEnd.numbers, numbers);
    EXPECT_EQ(inTwo.numbers, numbers);
    // Times go by step, whichever write carries them.
    std::sort(eachPart.times.begin(), eachPart.times.end());
    std::sort(onceAtEnd.times.begin(), onceAtEnd.times.end());
    EXPECT_EQ(onceAtEnd.times, eachPart.times);
    EXPECT_EQ(onceAtEnd.times.size(), kHours + 13u);
    // The constant position is one value for all hours, across every part.
    const Chunk steady{2, 1, 2, 0, kHours, {std::bit_cast<uint32_t>(7.0f)}};
    EXPECT_EQ(std::count(onceAtEnd.chunks.begin(), onceAtEnd.chunks.end(), steady), 1);
    EXPECT_EQ(together.HeldValues(), 0);
    // Zone 1 widens in hour 31: its new last position is NaN before, a run
    // of -0 after; its old last position holds nothing from then on.
    auto chunkOf = [&onceAtEnd](int32_t position, int64_t firstStep) -> const Chunk* {
        for (const Chunk& chunk : onceAtEnd.chunks)
            if (std::get<0>(chunk) == 2 && std::get<1>(chunk) == 1 &&
                std::get<2>(chunk) == position && std::get<3>(chunk) == firstStep)
                return &chunk;
        return nullptr;
    };
    const Chunk* widened = chunkOf(7, 20);  // hours 21..33
    ASSERT_NE(widened, nullptr);
    EXPECT_EQ(std::get<4>(*widened), 13);
    const uint32_t minusZero = std::bit_cast<uint32_t>(-0.0f);
    const uint32_t none = std::bit_cast<uint32_t>(kNone);
    EXPECT_EQ(std::get<5>(*widened),
              (std::vector<uint32_t>{none, none, none, none, none, none, none, none, none, none,
                                     minusZero, minusZero, none}));
    EXPECT_EQ(chunkOf(4, 33), nullptr);  // hours 34..45
    // Position 3 is 0 for 39 hours, one chunk, then -0 in hour 40 (not a
    // continuation of 0) and its hours after.
    const Chunk* zeros = chunkOf(3, 0);
    ASSERT_NE(zeros, nullptr);
    EXPECT_EQ(std::get<4>(*zeros), 33);
    const Chunk* changed = chunkOf(3, 33);  // hours 34..45
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(std::get<5>(*changed)[5], std::bit_cast<uint32_t>(0.0f));
    EXPECT_EQ(std::get<5>(*changed)[6], minusZero);
    EXPECT_EQ(std::get<5>(*changed)[7], std::bit_cast<uint32_t>(41.0f));
    // Zone 3's position 37, held as one value from the start, changes in hour 51.
    for (const int hour : {50, 51, 60}) {
        const int64_t step = hour - 1;
        const auto holds = [&](const Chunk& c) {
            return std::get<0>(c) == 2 && std::get<1>(c) == 3 && std::get<2>(c) == 37 &&
                   std::get<3>(c) <= step && step < std::get<3>(c) + std::get<4>(c);
        };
        const auto chunk = std::find_if(onceAtEnd.chunks.begin(), onceAtEnd.chunks.end(), holds);
        ASSERT_NE(chunk, onceAtEnd.chunks.end()) << hour;
        const std::vector<uint32_t>& bits = std::get<5>(*chunk);
        const uint32_t value = bits.size() == 1 ? bits[0] : bits[step - std::get<3>(*chunk)];
        EXPECT_EQ(value, std::bit_cast<uint32_t>(hour <= 50 ? 5.0f : static_cast<float>(hour)))
            << hour;
    }
}

}  // namespace
}  // namespace kz7::app
