#pragma once
// A zone's heat-flow variables of a step, WallHeatFlow .. AirExchangeHeatFlow,
// as sums of its elements' step flows: each flow is filed under the variable
// of its element's output code and under that variable's total (an element
// without a known code under FabricHeatFlow alone), blocked elements
// included.
//
// Which flows make up which variable is laid out once per zone, as a plan:
// for each variable some element of the zone is filed under, the positions
// of those elements in order. A step then adds each flow only where it goes,
// rather than to every variable as +0.0 where it does not: about a third of
// the instructions for a zone of ten elements. Every sum starts at +0.0 and
// takes its flows in element order, so a variable's bits are those of adding
// its own flows alone, one after the other; a variable no element is filed
// under is 0.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kz7/output/ResultVariables.h"

namespace kz7 {

constexpr size_t kFirstHeatFlowPosition = static_cast<size_t>(ZoneVariable::WallHeatFlow);
constexpr size_t kHeatFlowPositions =
    static_cast<size_t>(ZoneVariable::AirExchangeHeatFlow) - kFirstHeatFlowPosition + 1;
// By variable from WallHeatFlow on.
using HeatFlowSums = std::array<float, kHeatFlowPositions>;

// The plan for elements whose output codes (ElementOutputByte) are `codes`,
// by element position: its first entry is the number of entries after it;
// then, for each variable filed under, its offset from WallHeatFlow, how
// many elements are filed under it, and their positions. A zone whose
// element positions do not fit the entries (more than kMostPlannedElements
// elements) gets the plan kSumByCodes, which sums from the codes directly.
inline constexpr size_t kMostPlannedElements = 32000;
inline constexpr uint16_t kSumByCodes = 0xFFFF;
std::vector<uint16_t> HeatFlowSumPlan(std::span<const uint8_t> codes);

// The step's sums of `flows` (by element position) as `plan` lays them out,
// `codes` being the ones it was made from.
void SumHeatFlows(std::span<const float> flows, std::span<const uint8_t> codes,
                  const uint16_t* plan, HeatFlowSums& sums);

}  // namespace kz7
