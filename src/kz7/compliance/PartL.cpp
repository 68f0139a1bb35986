// Part L queries of zones and of the zone set.
#include "kz7/compliance/PartL.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/RunClock.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"

namespace kz7 {

namespace {

// Clock of the queries: hour 10 of a January Wednesday.
constexpr float kHeatedTestHour = 10.0f;
constexpr int32_t kHeatedTestDayType = 3;
constexpr int32_t kHeatedTestMonth = 1;

void SetQueryClock(RunClock& clock) {
    clock.decimalHour = kHeatedTestHour;
    clock.hour = static_cast<int32_t>(kHeatedTestHour);
    clock.dayType = kHeatedTestDayType;
    clock.month = kHeatedTestMonth;
}

// Holds the clock at the queries' hour for one evaluation and gives the
// previous clock back afterwards.
class QueryClock {
  public:
    explicit QueryClock(RunClock& clock) : clock_(clock), saved_(clock) { SetQueryClock(clock_); }
    ~QueryClock() { clock_ = saved_; }
    QueryClock(const QueryClock&) = delete;
    QueryClock& operator=(const QueryClock&) = delete;

  private:
    RunClock& clock_;
    RunClock saved_;
};
// A neighbour that cannot be found counts as heated at this set point, °C.
constexpr double kNullZoneSetPoint = 19.0;

constexpr double kSameDirection = 0.1;          // radians
constexpr double kVerticalSlope = 1.570796327;  // radians
constexpr double kVerticalTolerance = 0.0001;   // radians
constexpr double kHorizontalSolarLoad = 327.0;  // W/m²
constexpr double kSolarLoadFactor = 0.7;
constexpr double kShadingAngle = 60.0;         // degrees
constexpr double kSolarLoadLimit = 25.0;       // W/m²
constexpr double kRooflightRatioLimit = 12.0;  // percent

bool IsOutside(const Element& element) {
    return element.IOS == 1 || element.IOS == 5;
}
bool IsToOtherZone(const Element& element) {
    return element.IOS == 3 || element.IOS == 6;
}

// The element's U-value and bridged U-value; glazing has only the one.
double UValueOf(const Element& element) {
    if (element.Glazing != nullptr) return element.Glazing->UValue;
    if (element.Opaque != nullptr) return element.Opaque->UValue;
    return 0.0;
}
double BridgedUValueOf(const Element& element) {
    if (element.Glazing != nullptr) return element.Glazing->UValue;
    if (element.Opaque != nullptr) return element.Opaque->UValueBridged;
    return 0.0;
}
bool HasConstruction(const Element& element) {
    return element.Glazing != nullptr || element.Opaque != nullptr;
}

void RaiseTo(double& output, double value) {
    output = std::max(output, value);
}

// Orientation in degrees, rounded to 1e-4° so that a whole or half degree
// read from the model survives the trip through single-precision radians
// (22.5° must stay in the north sector).
double OrientationDegrees(float orientation) {
    return std::nearbyint(static_cast<double>(orientation) / kRadiansPerDegree * 1e4) / 1e4;
}

// Heating set point of a zone's heater schedule at the current clock; empty
// without heater or schedule.
std::optional<double> HeatingSetPoint(const Zone& zone) {
    if (zone.Heater == nullptr || zone.Heater->OperationPG == nullptr) return std::nullopt;
    return zone.Heater->OperationPG->GRPVAL();
}

}  // namespace

double GlazingRatioLimit(int32_t sector) {
    switch (sector) {
        case 0:
            return 50.0;
        case 1:
        case 4:
        case 7:
            return 40.0;
        default:
            return 32.0;
    }
}

// ---------------------------------------------------------------- Zone

bool Zone::IsHeated() {
    SetQueryClock(state_.clock);
    const std::optional<double> setPoint = HeatingSetPoint(*this);
    return setPoint.has_value() && *setPoint >= kHeatedSetPoint;
}

Zone* Zone::Neighbour(const Element& element) const {
    if (element.AdjacentZone != nullptr) return element.AdjacentZone;
    return element.RMID.empty() ? nullptr : state_.zones->Find(element.RMID);
}

void Zone::GetMaxUValues(MaxUValues& values) {
    for (const auto& item : elements) {
        const Element& element = *item;
        if (!HasConstruction(element)) continue;
        const std::string& code = element.ElCode;
        if (IsOutside(element)) {
            if (code == "R")
                RaiseTo(element.Slope == 0.0f ? values.FlatRoofU
                                              : values.PitchedRoofUWithInsulationBetweenJoists,
                        BridgedUValueOf(element));
            else if (code == "W")
                RaiseTo(values.WallsU, BridgedUValueOf(element));
            else if (code == "S")
                RaiseTo(values.FloorsU, BridgedUValueOf(element));
            else if (code == "D")
                RaiseTo(values.LargeDoorsU, BridgedUValueOf(element));
            else if (code == "G")
                RaiseTo(values.WindowsMetalFramesU, UValueOf(element));
            else if (code == "L")
                RaiseTo(values.RooflightsU, UValueOf(element));
        } else if (IsToOtherZone(element)) {
            // A neighbour that cannot be found is taken as heated: no heat-loss element.
            Zone* neighbour = Neighbour(element);
            if (neighbour == nullptr || neighbour->IsHeated()) continue;
            // A ceiling under an unheated space counts as a roof insulated
            // between the rafters, loft or not.
            const double u = BridgedUValueOf(element);
            if (code == "W")
                RaiseTo(values.WallsU, u);
            else if (code == "G")
                RaiseTo(values.WindowsMetalFramesU, u);
            else if (code == "S" || code == "F")
                RaiseTo(values.FloorsU, u);
            else if (code == "C")
                RaiseTo(values.PitchedRoofUWithInsulationBetweenRafters, u);
            else if (code == "D")
                RaiseTo(values.LargeDoorsU, u);
        }
    }
}

void Zone::GetWindowAreas(WindowAreas& areas) const {
    for (const auto& item : elements) {
        const Element& element = *item;
        const std::string& code = element.ElCode;
        const double area = element.ElementArea;
        if (element.IOS == 1) {
            if (code == "R")
                areas.RoofArea += area;
            else if (code == "W")
                areas.WallArea += area;
            else if (code == "G" || code == "D")
                areas.WindowArea += area;
            else if (code == "L")
                areas.RooflightArea += area;
        } else if (IsToOtherZone(element)) {
            std::optional<double> setPoint;
            if (const Zone* neighbour = Neighbour(element)) {
                setPoint = HeatingSetPoint(*neighbour);
            } else {
                state_.ShowError("Null zone");
                setPoint = kNullZoneSetPoint;
            }
            if (setPoint.has_value() && *setPoint >= kHeatedSetPoint) continue;
            if (code == "W")
                areas.WallArea += area;
            else if (code == "G" || code == "D")
                areas.WindowArea += area;
        }
    }
}

void Zone::GetAverageUValue(double& area, double& areaTimesU) const {
    for (const auto& item : elements) {
        const Element& element = *item;
        if (element.IOS != 1 || element.RMOG == "A" || !HasConstruction(element)) continue;
        const double u = element.RMOG == "G" ? UValueOf(element) : BridgedUValueOf(element);
        area += element.ElementArea;
        areaTimesU += element.ElementArea * u;
    }
}

bool Zone::PassPartL122() const {
    const Element* first = nullptr;
    for (const auto& item : elements) {
        const Element& element = *item;
        if (element.IOS != 1 || (element.ElCode != "G" && element.ElCode != "R")) continue;
        if (first == nullptr) {
            first = &element;
            continue;
        }
        if (std::fabs(element.Orientation - first->Orientation) > kSameDirection ||
            std::fabs(element.Slope - first->Slope) > kSameDirection)
            return false;
    }
    if (first == nullptr) return true;

    WindowAreas areas;
    GetWindowAreas(areas);
    if (first->Slope == 0.0f) {
        // Horizontal: rooflights measured against the roof they sit in.
        if (!(areas.RoofArea > 0.0)) return false;
        const double percent = areas.RooflightArea * 100.0 / (areas.RoofArea + areas.RooflightArea);
        return percent < kRooflightRatioLimit;
    }
    const double percent = areas.WindowArea * 100.0 / (areas.WallArea + areas.WindowArea);
    return percent < GlazingRatioLimit(OrientationSector(OrientationDegrees(first->Orientation)));
}

void Zone::SolarLoadTableH1(double orientationDegrees, double& load) {
    static constexpr double kLoads[8] = {125.0, 160.0, 205.0, 198.0, 156.0, 198.0, 205.0, 160.0};
    load = kLoads[OrientationSector(orientationDegrees)];
}

bool Zone::PassPartLAppendixH() {
    // Louvres are read at the queries' fixed hour: the answer must not hang
    // on whatever clock an earlier query or run left behind.
    const QueryClock queryClock(state_.clock);
    double horizontal = 0.0;
    double vertical = 0.0;
    bool glazed = false;
    for (const auto& item : elements) {
        const Element& element = *item;
        if (element.ElCode != "G" || element.IOS != 1 || element.Glazing == nullptr) continue;
        glazed = true;
        const GlazedConstruction& glazing = *element.Glazing;
        // The glazing lets through its frame share times what its louvre
        // lets through at a 60° sun.
        const double g = static_cast<double>(glazing.FrameMult) *
                         glazing.ShadingCoefficient(static_cast<float>(kShadingAngle));
        if (std::fabs(element.Slope - kVerticalSlope) >= kVerticalTolerance) {
            horizontal += element.ElementArea * kHorizontalSolarLoad * kSolarLoadFactor * g;
        } else {
            double load = 0.0;
            SolarLoadTableH1(OrientationDegrees(element.Orientation), load);
            vertical += element.ElementArea * load * kSolarLoadFactor * g;
        }
    }
    if (!glazed) {
        SolarLoad = 0.0f;
        return true;
    }
    if (!(PerimeterArea > 0.0f)) {
        // Glazing with no perimeter to share its load cannot be judged: it fails.
        SolarLoad = 0.0f;
        state_.ShowError("Zone " + Key +
                         " has external glazing but no perimeter area: the solar-load test fails");
        return false;
    }
    SolarLoad = static_cast<float>(vertical / PerimeterArea + horizontal / PerimeterArea);
    return SolarLoad <= kSolarLoadLimit;
}

// ---------------------------------------------------------------- Zones

void Zones::GetMaxUValues(MaxUValues& values) {
    values = {};
    for (Zone& zone : items_)
        if (zone.IsHeated()) zone.GetMaxUValues(values);
}

void Zones::GetWindowAreas(WindowAreas& areas) {
    areas = {};
    for (Zone& zone : items_)
        if (zone.IsHeated()) zone.GetWindowAreas(areas);
}

double Zones::GetAverageUValue() {
    double area = 0.0;
    double areaTimesU = 0.0;
    for (Zone& zone : items_)
        if (zone.IsHeated()) zone.GetAverageUValue(area, areaTimesU);
    return area == 0.0 ? 0.0 : areaTimesU / area;
}

bool Zones::PassPartL122() const {
    for (const Zone& zone : items_)
        if (!zone.PassPartL122()) return false;
    return true;
}

bool Zones::PassPartLAppendixH() {
    // Every zone is tested so that each gets its SolarLoad.
    bool pass = true;
    for (Zone& zone : items_) pass = zone.PassPartLAppendixH() && pass;
    return pass;
}

}  // namespace kz7
