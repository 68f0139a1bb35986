#pragma once
// The zones and variables tables of a run, from the model as read and from
// the engine's variable order (output/ResultVariables.h).
#include <array>
#include <utility>
#include <vector>

#include "ResultDatabase.h"

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// Every position of every record kind: zone (1..54), building (1..54 and
// 66..125), summary (0..7) and weather (0..9).
std::vector<VariableInfo> ResultVariableRows();

// The zones of the model, under the number the engine sends in their records.
std::vector<ZoneInfo> ZoneRows(const EngineState& state);

// Positions of the zone summary record (interval 6).
enum class SummaryPosition : int {
    PeakHeatingLoad = 0,
    PeakCoolingLoad,
    MaxComfortTemperature,
    MaxAirTemperature,
    MaxRadiantTemperature,
    MinComfortTemperature,
    MinAirTemperature,
    MinRadiantTemperature,
};

// The (maximum, minimum) pairs of the zone summary. The engine starts every
// maximum at 0 and every minimum at 999 and leaves them there when it records
// no extreme (a zone never occupied, a heat-loss design run): a minimum still
// at 999 means the pair holds no temperature, only those starting values.
inline constexpr std::array<std::pair<SummaryPosition, SummaryPosition>, 3> kSummaryExtremes{{
    {SummaryPosition::MaxComfortTemperature, SummaryPosition::MinComfortTemperature},
    {SummaryPosition::MaxAirTemperature, SummaryPosition::MinAirTemperature},
    {SummaryPosition::MaxRadiantTemperature, SummaryPosition::MinRadiantTemperature},
}};
inline bool IsUnrecordedMinimum(double minimum) {
    return minimum >= 999.0;
}

}  // namespace kz7::app
