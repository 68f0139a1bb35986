#include "kz7/output/HeatFlowSums.h"

#include <algorithm>

namespace kz7 {

namespace {

constexpr size_t OffsetOf(ZoneVariable variable) {
    return static_cast<size_t>(variable) - kFirstHeatFlowPosition;
}

// The variables an element of output code `code` is filed under: its own
// and its total, or FabricHeatFlow alone for code 0 (the second is then
// kHeatFlowPositions, which holds none).
constexpr std::array<size_t, 2> OffsetsOfCode(uint8_t code) {
    if (code == 0 || code > detail::kElementOutputs.size())
        return {OffsetOf(ZoneVariable::FabricHeatFlow), kHeatFlowPositions};
    const detail::ElementOutput& output = detail::kElementOutputs[code - 1u];
    return {OffsetOf(output.variable), OffsetOf(output.total)};
}

static_assert(std::ranges::all_of(detail::kElementOutputs,
                                  [](const auto& element) {
                                      return OffsetOf(element.variable) < kHeatFlowPositions &&
                                             OffsetOf(element.total) < kHeatFlowPositions;
                                  }),
              "every element output is a heat-flow variable");

}  // namespace

std::vector<uint16_t> HeatFlowSumPlan(std::span<const uint8_t> codes) {
    if (codes.size() > kMostPlannedElements) return {kSumByCodes};
    std::array<std::vector<uint16_t>, kHeatFlowPositions> members;
    for (size_t position = 0; position < codes.size(); ++position)
        for (const size_t offset : OffsetsOfCode(codes[position]))
            if (offset < kHeatFlowPositions)
                members[offset].push_back(static_cast<uint16_t>(position));
    std::vector<uint16_t> plan{0};
    for (size_t offset = 0; offset < kHeatFlowPositions; ++offset) {
        if (members[offset].empty()) continue;
        plan.push_back(static_cast<uint16_t>(offset));
        plan.push_back(static_cast<uint16_t>(members[offset].size()));
        plan.insert(plan.end(), members[offset].begin(), members[offset].end());
    }
    plan[0] = static_cast<uint16_t>(plan.size() - 1);
    return plan;
}

void SumHeatFlows(std::span<const float> flows, std::span<const uint8_t> codes,
                  const uint16_t* plan, HeatFlowSums& sums) {
    sums.fill(0.0f);
    if (plan[0] == kSumByCodes) {
        for (size_t position = 0; position < flows.size(); ++position)
            for (const size_t offset : OffsetsOfCode(codes[position]))
                if (offset < kHeatFlowPositions) sums[offset] += flows[position];
        return;
    }
    const uint16_t* const end = plan + 1 + plan[0];
    for (const uint16_t* entry = plan + 1; entry != end;) {
        const size_t offset = entry[0];
        const uint16_t* members = entry + 2;
        const uint16_t* const membersEnd = members + entry[1];
        float sum = 0.0f;
        for (; members != membersEnd; ++members) sum += flows[*members];
        sums[offset] = sum;
        entry = membersEnd;
    }
}

}  // namespace kz7
