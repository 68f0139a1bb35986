// The zone's accumulation step: the previous solution carried forward, air
// flows, partitions and the third node coupled in, element flows recorded;
// the zone's result tables and its end-of-run summary.
#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/ZoneResultStore.h"
#include "kz7/thermal/EnergyBooking.h"
#include "kz7/platform/NumberText.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr float kAirHeatCapacity = 1.006f;       // kJ/(kg·K)
constexpr float kFanAirDensity = 1.29f;          // kg/m³
constexpr float kPartitionLimit = 200.0f;        // °C
constexpr float kMaxMassFlow = 1e6f;             // kg/s: beyond any building
constexpr int16_t kSummaryInterval = 6;

float ScheduleValue(const ProfileGroup* group) { return group != nullptr ? group->GRPVAL() : 0.0f; }

// Share of an explicit step's change that is applied: all of it while the
// step is stable, and no more than reaches the node's balance point when
// the step is longer than the node's time constant (which would otherwise
// overshoot and oscillate without bound).
float StableShare(float rate, float dt) {
    const float ratio = rate * dt;
    return ratio > 1.0f ? 1.0f / ratio : 1.0f;
}

// The far half of a matched pair keeps its flow in its own zone.
void RecordFarFlow(const Elements::PartitionPath& partition, float kW) {
    partition.farZone->elements.AddStepFlow(partition.farPosition, kW);
}

}  // namespace

void Zone::Acum() {
    const Weather& weather = *state_.weather;
    const float To = weather.Toa;
    step.Te1 = step.Te2;
    step.Tm1 = step.Tm2;
    step.Tr1 = step.Tr2;
    step.Ta1 = step.Ta2;
    for (const Elements::FabricPath& path : elements.LightFabric())
        elements.AddStepFlow(path.position, (To - step.Te2) * path.UA * 0.001f);
    for (const Elements::FabricPath& path : elements.HeavyFabric()) {
        float flow = 0.0f;
        if (K6Heavy > 0.0f) flow = (step.Tm1 - step.Te2) * K2 * path.UA / K6Heavy;
        elements.AddStepFlow(path.position, flow * 0.001f);
    }
    for (const Elements::AirflowPath& air : elements.Airflows()) AccumulateAirFlow(air, To, weather.Goa);
    for (Elements::PartitionPath& partition : elements.Partitions()) {
        if (!partition.HVWT)
            AccumulateLightPartition(partition);
        else if (!AccumulateMassPartition(partition))
            return;
    }
    AdvanceThirdNode();
}

// Elements not excluded from the circuit pass heat through the fabric; of
// the others, air flows, partitions with mass, and partitions without mass
// to another zone or a scheduled boundary are coupled. The second half of a
// matched pair is coupled through its partner.
Element::Coupling Element::StepCoupling() const {
    if (Blocked) return Coupling::None;
    if (!Exclude) return HVWT ? Coupling::HeavyFabric : Coupling::LightFabric;
    if (!HVWT && Kind() == 'A') return Coupling::Airflow;
    if (HVWT) return Coupling::MassPartition;
    if ((Kind() == 'O' || Kind() == 'G') && (IOS == 3 || IOS == 5 || IOS == 6))
        return Coupling::LightPartition;
    return Coupling::None;
}

void Zone::AccumulateAirFlow(const Elements::AirflowPath& air, float To, float Go) {
    float sourceT = step.Ta2;
    float sourceG = step.GISP2;
    switch (air.IOS) {
        case 1:
            sourceT = To;
            sourceG = Go;
            break;
        case 2:
            sourceT = To + air.OSCD;
            sourceG = Go;
            break;
        case 3:
            if (air.from != nullptr) {
                sourceT = air.from->step.Ta2;
                sourceG = air.from->step.GISP2;
            }
            break;
        case 5:
            sourceT = ScheduleValue(air.boundary);
            break;
        default:
            break;
    }
    float massFlow = air.KgPerSec;
    if (!state_.clock.heatLossRun) massFlow *= ScheduleValue(air.schedule) * 0.01f;
    // A rate that is not a number or below zero carries no air; an absurd
    // one is held to what the arithmetic can carry.
    if (!(massFlow > 0.0f)) massFlow = 0.0f;
    massFlow = std::min(massFlow, kMaxMassFlow);

    if (massFlow > 0.0f && air.mechanicalSupply) {
        const Fans& fans = state_.plant->fans;
        if (fans.SYSEFF > 0.0f) {
            const float power = massFlow * fans.SYSPRESS / (kFanAirDensity * 1000.0f * fans.SYSEFF);  // kW
            step.FanPowerKW += power;
            // Fan power is electricity: its own slot and the electricity total.
            state_.energy.Add(EnergySlot::kFanElectricity, power);
            BookFuel(state_.energy, 1, power);  // electricity, with its carbon
            sourceT += ((1.0f - fans.SYSMEFF) * power * fans.SYSPU + power * fans.SYSEFF) /
                       (massFlow * kAirHeatCapacity);
        }
    }
    const float conductance = massFlow * kAirHeatCapacity * 1000.0f;  // W/K
    step.SIGKTA += conductance * sourceT;
    step.SIGKA += conductance;
    elements.AddStepFlow(air.position, (sourceT - step.Ta2) * conductance * 0.001f);
    step.FLO += massFlow;
    step.H2OGN1 += massFlow * sourceG;
}

bool Zone::AccumulateMassPartition(Elements::PartitionPath& partition) {
    const float farSide = partition.PartitionFarK;
    const float nearSide = partition.PartitionNearK;
    Zone* adjacent = partition.adjacent;
    float farT = step.Te1;
    if (partition.IOS == 5)
        farT = ScheduleValue(partition.boundary);
    else if (adjacent != nullptr)
        farT = adjacent->step.Te1;

    const float capacity = partition.PartitionCapacity;
    const float dt = StepSeconds();
    const float change =
        dt * ((farT - partition.TMPart) * farSide + (step.Te1 - partition.TMPart) * nearSide) /
        capacity;
    partition.TMPart += change * StableShare((farSide + nearSide) / capacity, dt);
    if (!(std::fabs(partition.TMPart) <= kPartitionLimit)) {
        state_.ShowError("Zone " + Key + ": partition mass temperature beyond 200 °C; the run is cancelled");
        state_.engine->Cancelled = true;
        return false;
    }

    step.SIGKTP += nearSide * partition.TMPart;
    step.SIGKP += nearSide;
    elements.AddStepFlow(partition.position, (partition.TMPart - step.Te2) * nearSide * 0.001f);
    if (partition.IOS == 6 && adjacent != nullptr) {
        adjacent->step.SIGKTP += farSide * partition.TMPart;
        adjacent->step.SIGKP += farSide;
        if (adjacent == this)
            elements.AddStepFlow(partition.position, (partition.TMPart - step.Te2) * farSide * 0.001f);
        else if (partition.farZone != nullptr)
            RecordFarFlow(partition, (partition.TMPart - adjacent->step.Te2) * farSide * 0.001f);
    }
    return true;
}

void Zone::AccumulateLightPartition(const Elements::PartitionPath& partition) {
    Zone* adjacent = partition.adjacent;
    float farT = step.Te1;
    if (partition.IOS == 5)
        farT = ScheduleValue(partition.boundary);
    else if (adjacent != nullptr)
        farT = adjacent->step.Te1;
    const float conductance = partition.UA;
    step.SIGKTP += conductance * farT;
    step.SIGKP += conductance;
    const float flow = (farT - step.Te2) * conductance * 0.001f;
    elements.AddStepFlow(partition.position, flow);
    if (partition.IOS == 6 && adjacent != nullptr) {
        adjacent->step.SIGKTP += conductance * step.Te1;
        adjacent->step.SIGKP += conductance;
        if (adjacent == this)
            elements.AddStepFlow(partition.position, -flow);
        else if (partition.farZone != nullptr)
            RecordFarFlow(partition, -flow);
    }
}

void Zone::AdvanceThirdNode() {
    if (!(CM2 > 1e-20f)) return;
    const float dt = StepSeconds();
    const float flow = (step.Te1 - step.Tm3rd) * K23;
    step.Tm3rd += (dt / CM2) * flow * StableShare(K23 / CM2, dt);
    step.SIGKTP += K23 * step.Tm3rd;
    step.SIGKP += K23;
}


// ---- Result tables ----

float Zone::Duty(int32_t i) const {
    return (i == 1 || i == 2) ? step.duty_[static_cast<size_t>(i - 1)] : 0.0f;
}
void Zone::SetDuty(int32_t i, float value) {
    if (i == 1 || i == 2) step.duty_[static_cast<size_t>(i - 1)] = value;
}

namespace {
bool InTable(int32_t interval, int32_t group) {
    return interval >= 1 && interval <= Zone::kIntervals && group >= 1 && group <= Zone::kOutputGroups;
}
}  // namespace

uint8_t Zone::IRMOP(int32_t interval, int32_t group) const {
    return InTable(interval, group) ? Outputs[static_cast<size_t>(group - 1)][static_cast<size_t>(interval - 1)] : 0;
}
void Zone::SetIRMOP(int32_t interval, int32_t group, uint8_t value) {
    if (InTable(interval, group)) Outputs[static_cast<size_t>(group - 1)][static_cast<size_t>(interval - 1)] = value;
}
int16_t Zone::RMACUM(int32_t interval, int32_t group) const {
    return InTable(interval, group) ? rmacum_[static_cast<size_t>(interval - 1)][static_cast<size_t>(group - 1)] : 0;
}
void Zone::SetRMACUM(int32_t interval, int32_t group, int16_t value) {
    if (InTable(interval, group)) rmacum_[static_cast<size_t>(interval - 1)][static_cast<size_t>(group - 1)] = value;
}
int16_t Zone::RMORD(int32_t i) const {
    return (i >= 1 && i <= kOutputGroups) ? rmord_[static_cast<size_t>(i - 1)] : 0;
}
void Zone::SetRMORD(int32_t i, int16_t value) {
    if (i >= 1 && i <= kOutputGroups) rmord_[static_cast<size_t>(i - 1)] = value;
}

void Zone::SendSummaryResultsEvents(int32_t number) {
    ValueArray values;
    for (const double value : {PeakHeatingLoad, PeakCoolingLoad, MaxComfortTemperature, MaxAirTemperature,
                               MaxRadiantTemperature, MinComfortTemperature, MinAirTemperature,
                               MinRadiantTemperature})
        values.push_back(Trim(NumberToText(value, state_.settings.decimalSeparator)));
    state_.outputData.SaveData(kSummaryInterval, number, values, state_.clock.date,
                               state_.clock.RecordTime(kSummaryInterval));
}

}  // namespace kz7
