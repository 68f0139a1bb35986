#pragma once
// Building Regulations Part L figures of the model: the worst U-value of
// each kind of heat-loss element, glazing, wall and roof areas, the
// area-weighted average U-value, and the glazing-ratio and solar-load tests.
// The per-zone work is done by Zone, the building figures by Zones.
#include <cstdint>

#include "kz7/model/Orientation.h"

namespace kz7 {

// The largest qualifying U-value of each kind, W/m²K; 0 when none.
// WindowsWoodFramesU is part of the interface and always 0.
struct MaxUValues {
    double PitchedRoofUWithInsulationBetweenRafters = 0.0;
    double PitchedRoofUWithInsulationBetweenJoists = 0.0;
    double FlatRoofU = 0.0;
    double WallsU = 0.0;
    double FloorsU = 0.0;
    double WindowsMetalFramesU = 0.0;
    double WindowsWoodFramesU = 0.0;
    double RooflightsU = 0.0;
    double LargeDoorsU = 0.0;
};

// Summed areas, m². ShopWindowDisplayArea is part of the interface and always 0.
struct WindowAreas {
    double WindowArea = 0.0;
    double RooflightArea = 0.0;
    double WallArea = 0.0;
    double RoofArea = 0.0;
    double ShopWindowDisplayArea = 0.0;
};

constexpr double kRadiansPerDegree = 0.017453292522222223;
// A zone is heated when its set point is at least this, °C.
constexpr double kHeatedSetPoint = 10.0;


// Glazing-ratio limit in percent of the sector a façade faces.
double GlazingRatioLimit(int32_t sector);

}  // namespace kz7
