// A zone's heat-flow variables as sums of its element flows, laid out per
// zone, against adding every flow to its variable and its total in turn.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "kz7/output/HeatFlowSums.h"

namespace kz7 {
namespace {

HeatFlowSums SummedInTurn(const std::vector<float>& flows, const std::vector<uint8_t>& codes) {
    HeatFlowSums sums{};
    const auto add = [&](ZoneVariable variable, float flow) {
        sums[static_cast<size_t>(variable) - kFirstHeatFlowPosition] += flow;
    };
    for (size_t i = 0; i < flows.size(); ++i) {
        if (codes[i] == 0) {
            add(ZoneVariable::FabricHeatFlow, flows[i]);
            continue;
        }
        add(detail::kElementOutputs[codes[i] - 1u].variable, flows[i]);
        add(detail::kElementOutputs[codes[i] - 1u].total, flows[i]);
    }
    return sums;
}

// Flows of magnitudes whose sums depend on the order they are added in,
// over a few kinds (most variables filed under by no element) and over
// every kind, and for a zone too large for a plan of its own.
TEST(HeatFlowSums, EachVariableHasTheBitsOfAddingItsOwnFlowsInElementOrder) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> magnitude(-30.0f, 30.0f);
    for (const auto& [elements, kinds] : {std::pair{0, 1}, {10, 3}, {60, 16}, {32001, 16}}) {
        std::vector<float> flows(static_cast<size_t>(elements));
        std::vector<uint8_t> codes(flows.size());
        for (size_t i = 0; i < flows.size(); ++i) {
            flows[i] = std::ldexp(magnitude(random), static_cast<int>(i % 7) * 4);
            codes[i] = static_cast<uint8_t>(random() % static_cast<unsigned>(kinds));
        }
        const std::vector<uint16_t> plan = HeatFlowSumPlan(codes);
        EXPECT_EQ(plan[0] == kSumByCodes, flows.size() > kMostPlannedElements);
        HeatFlowSums sums;
        sums.fill(-1.0f);
        SumHeatFlows(flows, codes, plan.data(), sums);
        const HeatFlowSums expected = SummedInTurn(flows, codes);
        for (size_t v = 0; v < kHeatFlowPositions; ++v)
            EXPECT_EQ(std::bit_cast<uint32_t>(sums[v]), std::bit_cast<uint32_t>(expected[v]))
                << elements << " elements, variable " << v + kFirstHeatFlowPosition;
    }
}

}  // namespace
}  // namespace kz7
