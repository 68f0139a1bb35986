#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/output/OutputStore.h"

namespace kz7 {
namespace {

class OutputStoreTest : public ::testing::Test {
  protected:
    OutputStoreTest() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    EngineState state;
    OutputStore store{state};
    std::vector<std::string> errors;
};

// Fifteen handles, then the error; a freed handle is reused. Handles not
// open, records beyond 1000 and variables beyond 54 are ignored.
TEST_F(OutputStoreTest, HandlesRecordsAndVariablesAreBounded) {
    const int32_t big = store.Allocate(1, 1500, 80, 1.0f);
    EXPECT_EQ(big, 1);
    for (int32_t expected = 2; expected <= 15; ++expected) EXPECT_EQ(store.Allocate(2, 1, 1, 6.0f), expected);
    EXPECT_EQ(store.Allocate(2, 1, 1, 6.0f), 0);
    ASSERT_EQ(errors, std::vector<std::string>{"Out of output system handles"});
    store.Free(7);
    EXPECT_EQ(store.Allocate(3, 1, 1, 6.0f), 7);
    EXPECT_EQ(store.IntervalCode(7), 3);
    store.Free(7);
    for (const int32_t closed : {0, 7, 16}) store.Add(closed, 1, 1, 5.0f, 1.0f, 1);
    EXPECT_EQ(store.Count(7, 1, 1), 0);

    EXPECT_EQ(store.RecordCount(big), 1000);
    EXPECT_EQ(store.VariableCount(big), 54);
    for (const auto& [record, variable] : {std::pair{1001, 1}, {1000, 55}, {0, 1}, {1000, 54}}) {
        store.SetVariable(big, record, variable, true, Aggregation::Summed);
        store.Add(big, record, variable, 2.0f, 1.0f, 1);
    }
    EXPECT_FALSE(store.IsSelected(big, 1001, 1));
    EXPECT_EQ(store.Value(big, 1000, 55).state, IntervalValue::State::NotCollected);
    EXPECT_EQ(store.ValueText(big, 1000, 54, '.'), "2");
}

TEST_F(OutputStoreTest, IntervalValuesFollowTheAggregationAndTheScale) {
    const int32_t hour = store.Allocate(2, 1, 4, 6.0f);
    store.SetVariable(hour, 1, 1, true, Aggregation::Averaged);
    store.SetVariable(hour, 1, 2, true, Aggregation::Summed);
    store.SetVariable(hour, 1, 3, true, Aggregation::Summed);
    for (float value : {19.0f, 20.0f, 21.0f, 22.0f, 23.0f, 24.0f}) {
        store.Add(hour, 1, 1, value, 1.0f, 1);
        store.Add(hour, 1, 2, value, 1.0f, 1);
    }
    EXPECT_EQ(store.ValueText(hour, 1, 1, '.'), "21.5");    // mean of the steps
    EXPECT_EQ(store.ValueText(hour, 1, 2, '.'), "21.5");    // sum over steps per hour
    EXPECT_EQ(store.ValueText(hour, 1, 3, '.'), "-32768");  // never added
    EXPECT_EQ(store.ValueText(hour, 1, 4, '.'), "-32768");  // not even selected
    EXPECT_EQ(store.ValueText(hour, 1, 1, ','), "21,5");

    // Scale 0: summed variables fall back to the mean of the steps.
    const int32_t unscaled = store.Allocate(2, 1, 1, 0.0f);
    store.SetVariable(unscaled, 1, 1, true, Aggregation::Summed);
    store.Add(unscaled, 1, 1, 3.0f, 1.0f, 1);
    store.Add(unscaled, 1, 1, 5.0f, 1.0f, 1);
    EXPECT_EQ(store.ValueText(unscaled, 1, 1, '.'), "4");

    // A fractional scale divides by the whole number nearest to it.
    const int32_t odd = store.Allocate(2, 1, 1, 60.0f / 7.0f);
    store.SetVariable(odd, 1, 1, true, Aggregation::Summed);
    store.Add(odd, 1, 1, 18.0f, 1.0f, 1);
    EXPECT_EQ(store.ValueText(odd, 1, 1, '.'), "2");
}

TEST_F(OutputStoreTest, WeightsScaleSumsAndAMissingStepMakesTheIntervalMissingUntilReset) {
    const int32_t month = store.Allocate(4, 1, 3, 1.0f);
    store.SetVariable(month, 1, 1, true, Aggregation::Averaged);
    store.Add(month, 1, 1, 10.0f, 4.0f, 1);
    store.Add(month, 1, 1, 20.0f, 1.0f, 1);
    EXPECT_EQ(store.Count(month, 1, 1), 5);
    EXPECT_EQ(store.ValueText(month, 1, 1, '.'), "12");  // (4·10 + 20) / 5
    store.Add(month, 1, 2, 1.0f, 2.5f, 1);                // 2.5 rounds to even
    EXPECT_EQ(store.Count(month, 1, 2), 2);

    store.Add(month, 1, 3, 4.0f, 1.0f, 1);
    store.Add(month, 1, 3, kMissingValue, 1.0f, 1);
    store.Add(month, 1, 3, 4.0f, 1.0f, 1);
    EXPECT_EQ(store.Value(month, 1, 3).state, IntervalValue::State::Missing);
    store.ResetVariable(month, 1, 3);
    EXPECT_EQ(store.Count(month, 1, 3), 0);
    EXPECT_EQ(store.Count(month, 1, 1), 5);  // only that variable
    store.Add(month, 1, 3, 6.0f, 1.0f, 1);
    EXPECT_EQ(store.ValueText(month, 1, 3, '.'), "6");

    store.Reset(month);
    EXPECT_EQ(store.Count(month, 1, 1), 0);
    EXPECT_EQ(store.Sum(month, 1, 3), 0.0f);
}

// A whole step row added at once gives, bit for bit, what adding its values
// one by one gives: unset and unselected cells untouched, a missing value
// sticking, NaN and signed zeros carried, day weights rounded into counts.
// Read in one pass, the row gives what Value gives cell by cell.
TEST_F(OutputStoreTest, AStepRowAddsAsItsValuesOneByOneAndReadsAsThem) {
    constexpr int32_t kVariables = OutputStore::kMaxVariables;
    const int32_t byRow = store.Allocate(2, 1, kVariables, 6.0f);
    const int32_t byValue = store.Allocate(2, 1, kVariables, 6.0f);
    std::mt19937 random(18);
    for (int32_t v = 1; v <= kVariables; ++v) {
        const bool selected = random() % 5 != 0;
        const Aggregation aggregation = random() % 2 != 0 ? Aggregation::Summed : Aggregation::Averaged;
        for (const int32_t handle : {byRow, byValue})
            store.SetVariable(handle, 1, v, selected, aggregation);
    }
    const float specials[] = {kMissingValue, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                              1e30f, -1e-30f};
    std::uniform_real_distribution<float> ordinary(-50.0f, 50.0f);
    std::vector<float> values(kVariables + 1);
    for (int32_t step = 0; step < 200; ++step) {
        const float weight = step % 7 == 6 ? 0.3f * static_cast<float>(step % 4) : 1.0f;
        uint64_t given = random() & 1u;  // position 0 is no variable
        for (int32_t v = 1; v <= kVariables; ++v) {
            const bool isSet = random() % 6 != 0;
            given |= isSet ? uint64_t{1} << v : 0;
            values[v] = random() % 40 == 0 ? specials[random() % 5] : ordinary(random);
            if (isSet && store.IsSelected(byValue, 1, v)) store.Add(byValue, 1, v, values[v], weight, 1);
        }
        store.Record(byRow, 1).AddStep(values, given, weight);
        if (step % 50 == 49) store.ResetVariable(byRow, 1, 3), store.ResetVariable(byValue, 1, 3);
        if (step == 100)  // variables selected during the run
            for (int32_t v = 1; v <= kVariables; v += 4)
                for (const int32_t handle : {byRow, byValue})
                    store.SetVariable(handle, 1, v, true, Aggregation::Summed);
    }
    for (int32_t v = 1; v <= kVariables; ++v) {
        EXPECT_EQ(std::bit_cast<uint32_t>(store.Sum(byRow, 1, v)),
                  std::bit_cast<uint32_t>(store.Sum(byValue, 1, v)))
            << "variable " << v;
        EXPECT_EQ(store.Count(byRow, 1, v), store.Count(byValue, 1, v)) << "variable " << v;
    }
    RecordReading reading;
    store.Record(byRow, 1).Read(reading);
    ASSERT_EQ(reading.cells, static_cast<size_t>(kVariables));
    for (int32_t v = 1; v <= kVariables; ++v) {
        const IntervalValue expected = store.Value(byValue, 1, v);
        const auto cell = static_cast<size_t>(v - 1);
        EXPECT_EQ(reading.selected[cell] != 0, store.IsSelected(byValue, 1, v)) << "variable " << v;
        EXPECT_EQ(reading.ValueOf(cell).state, expected.state) << "variable " << v;
        EXPECT_EQ(std::bit_cast<uint64_t>(reading.ValueOf(cell).value),
                  std::bit_cast<uint64_t>(expected.value))
            << "variable " << v;
    }
}

}  // namespace
}  // namespace kz7
