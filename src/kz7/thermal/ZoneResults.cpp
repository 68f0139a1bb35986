// The zone's results of a step: its temperatures, gains, heat flows,
// moisture and occupancy filed into `stepValues` by zone variable, the
// temperature bands (COMHRS) and the comfort-temperature extremes.
//
// The result stores file every zone once per kept step
// (ResultStores::ZoneStepFiling), as soon as the zone set has solved the
// zone (its relative humidity a zone later), and the zone result store
// takes the values as soon as they are filed. By then the zone's values
// are final: other zones record flows on its elements in their
// accumulation, which comes before the zone's solution, and later
// solutions and the plant only read them. Filing from the result stores
// rather than in the zone's own stages means warm-up steps cost nothing
// and the stores stay readers of whatever the zones give. Heating and
// cooling are added to `stepValues` by the emitters during the step and
// are left as they are.
#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/HeatFlowSums.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/weather/Psychrometrics.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr int32_t kTemperatureBands = 100;
constexpr float kMolarMassRatio = 622.0f;  // g of water vapour per kg of dry air per unit pressure ratio

constexpr double kLog2Of10 = 3.321928094887362347870319429489390175864831393;

// The saturation vapour pressure of SaturationVapourPressure as 2 to the
// power exponent × log2 10 rather than 10 to the power exponent: about a
// third of the power function's instructions, within 1e-15 of it, which the
// relative humidity's rounding to a float does not show. For results only;
// the physics keeps the power function.
double ResultSaturationPressure(float t) {
    return std::exp2(SaturationPressureExponent(t) * kLog2Of10);
}

// Relative humidity (%) of air at `t` °C holding `g` g/kg at `pressure` hPa;
// missing when the air is too cold to hold any vapour.
float RelativeHumidity(float t, float g, float pressure) {
    const double saturation = ResultSaturationPressure(t);
    if (!(saturation > 0.0)) return kMissingValue;
    const double vapour = static_cast<double>(pressure) * g / (kMolarMassRatio + g);
    return static_cast<float>(100.0 * vapour / saturation);
}

// Band i (1..100) holds the hours whose comfort temperature t lies in
// i − 1 ≤ t < i °C; colder hours go to band 1, hotter ones to band 100.
int32_t ComfortBand(float comfortTemperature) {
    if (!(comfortTemperature >= 1.0f)) return 1;  // also a temperature that is not a number
    if (comfortTemperature >= static_cast<float>(kTemperatureBands)) return kTemperatureBands;
    return static_cast<int32_t>(std::floor(comfortTemperature)) + 1;
}

// Running sums of the zone variables First..Last over a step, kept in
// place in the zone's step values: each starts at 0 and takes its terms in
// the order they come, without a set-flag test per flow. Summing on the
// stack and copying the sums over afterwards read back, in wide loads, the
// cells just written one by one, which waited for every one of those writes
// to land. Position 0, which holds no variable, takes what is added to none.
template <ZoneVariable First, ZoneVariable Last>
class StepSums {
  public:
    static constexpr size_t kSpare = ZoneStepValues::kNoPosition;
    static constexpr bool Holds(ZoneVariable variable) { return variable >= First && variable <= Last; }
    static constexpr size_t PositionOf(ZoneVariable variable) {
        return Holds(variable) ? static_cast<size_t>(variable) : kSpare;
    }
    explicit StepSums(ZoneStepValues& values) : values_(values) { values_.StartSums(First, Last); }
    void Add(ZoneVariable variable, float kW) { AddAt(PositionOf(variable), kW); }
    void AddAt(size_t position, float kW) { values_.AddAt(position, kW); }

  private:
    ZoneStepValues& values_;
};

using GainSums = StepSums<ZoneVariable::OccupantGains, ZoneVariable::InternalGains>;

static_assert(std::ranges::all_of(detail::kGainOutputNames,
                                  [](const auto& gain) {
                                      return GainSums::Holds(gain.variable);
                                  }) &&
              GainSums::Holds(ZoneVariable::OtherGains));

// Each gain's sensible output under its gain variable and InternalGains,
// and the latent gain and energy use of all of them.
void FileGains(const Gains& gains, ZoneStepValues& values) {
    GainSums gainSums(values);
    float latentKW = 0.0f, gainsEnergyKW = 0.0f;
    for (const auto& gain : gains) {
        gainSums.Add(GainVariable(static_cast<int16_t>(gain->HBGNCODE)), gain->SensibleKW);
        gainSums.Add(ZoneVariable::InternalGains, gain->SensibleKW);
        latentKW += gain->LatentKW;
        gainsEnergyKW += gain->EnergyKW;
    }
    values.Set(ZoneVariable::LatentGain, latentKW);
    values.Set(ZoneVariable::GainsEnergyUse, gainsEnergyKW);
}

// Each element's heat flow under its variable and total (HeatFlowSums).
void FileHeatFlows(const Elements& elements, ZoneStepValues& values) {
    HeatFlowSums sums;  // SumHeatFlows gives every variable its sum, 0 where nothing is filed
    if (const uint16_t* plan = elements.StepFlowSumPlan())
        SumHeatFlows(elements.StepFlows(), elements.StepFlowCodes(), plan, sums);
    else
        sums.fill(0.0f);  // a zone without elements
    values.SetSums(ZoneVariable::WallHeatFlow, sums);
}

}  // namespace

void Zone::FileStepValues() {
    FileRelativeHumidity();
    FileStepValuesBesidesHumidity();
}

void Zone::FileRelativeHumidity() {
    if (stepValues.Wants(ZoneVariable::RelativeHumidity))
        stepValues.Set(ZoneVariable::RelativeHumidity,
                       RelativeHumidity(AirTemperature, step.GISP2, state_.weather->PATMOS));
}

void Zone::FileStepValuesBesidesHumidity() {
    const Weather& weather = *state_.weather;
    using V = ZoneVariable;

    stepValues.Set(V::AirTemperature, AirTemperature);
    stepValues.Set(V::RadiantTemperature, RadiantTemperature);
    stepValues.Set(V::ComfortTemperature, ComfortTemperature);
    stepValues.Set(V::EnvironmentalTemperature, step.Te2);
    stepValues.Set(V::MassTemperature, step.Tm2);
    stepValues.Set(V::ThirdMassTemperature, step.Tm3rd);
    stepValues.Set(V::OutsideAirTemperature, weather.Toa);

    stepValues.Set(V::SolarGain, step.SolarGainKW);
    stepValues.Set(V::TransmittedSolar, step.DSolar * 0.001f);
    stepValues.Set(V::OpaqueSurfaceSolar, step.QSOLO * 0.001f);

    // Every gain position is given, so a zone without gains of a kind reports 0.
    // The sums and the functions below are only worked out for a zone
    // whose records collect them.
    if (stepValues.WantsAny(V::OccupantGains, V::InternalGains) || stepValues.Wants(V::LatentGain) ||
        stepValues.Wants(V::GainsEnergyUse))
        FileGains(gains, stepValues);
    if (stepValues.WantsAny(V::WallHeatFlow, V::AirExchangeHeatFlow)) FileHeatFlows(elements, stepValues);
    stepValues.Set(V::AirMassFlow, step.FLO);

    stepValues.Set(V::MoistureContent, step.GISP2);
    stepValues.Set(V::OutsideMoistureContent, weather.Goa);

    const bool occupied = ISOCC();
    stepValues.Set(V::OccupiedHours, occupied ? 1.0f : 0.0f);
    stepValues.Set(V::HoursAboveComfortRange, occupied && ComfortTemperature > ComfortUpperLimit ? 1.0f : 0.0f);
    stepValues.Set(V::HoursBelowComfortRange, occupied && ComfortTemperature < ComfortLowerLimit ? 1.0f : 0.0f);
    // Only occupied steps count towards the occupied means; an interval with
    // none reports the missing value.
    if (occupied) {
        stepValues.Set(V::OccupiedAirTemperature, AirTemperature);
        stepValues.Set(V::OccupiedComfortTemperature, ComfortTemperature);
    }

    stepValues.Set(V::FanElectricity, step.FanPowerKW);
}

void Zone::TallyComfort(float dayWeight) {
    // Bands and extremes describe the simulated building, not a design
    // calculation: heat-loss runs leave them alone.
    if (state_.clock.heatLossRun) return;
    MAXTRM = std::max(MAXTRM, ComfortTemperature);
    MINTRM = std::min(MINTRM, ComfortTemperature);
    // The bands count occupied hours, each simulated day standing for the
    // days it represents.
    const int32_t month = state_.clock.month;
    if (!ISOCC() || month < 1 || month > 12) return;
    const float hours = static_cast<float>(state_.clock.timeStep) / 60.0f * dayWeight;
    ComfortHoursTable[static_cast<size_t>(ComfortBand(ComfortTemperature) - 1)][static_cast<size_t>(month - 1)] +=
        hours;
}

}  // namespace kz7
