// Heating and cooling of a zone within the step: which emitter acts, how much
// it gives within its capacity, its injection into the zone circuit, and the
// booking of its output on the zone, the plant and the building energy store.
#include <cmath>
#include <cstdint>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Boiler.h"
#include "kz7/model/Chiller.h"
#include "kz7/model/CoolerDefinition.h"
#include "kz7/model/HeaterDefinition.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/thermal/EmitterOutput.h"
#include "kz7/thermal/RadiantFraction.h"
#include "kz7/thermal/StraightLine.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr int32_t kOff = 0;
constexpr int32_t kHeating = 1;
constexpr int32_t kCooling = 2;
constexpr float kEmittersOn = 50.0f;  // an emitter's plant timer must exceed this

float ScheduleValue(const ProfileGroup* group) {
    return group != nullptr ? group->GRPVAL() : 0.0f;
}

// 10^decimals, exact in a double for the few decimals the emitters round to.
constexpr double PowerOfTen(int decimals) {
    double scale = 1.0;
    for (int i = 0; i < decimals; ++i) scale *= 10.0;
    return scale;
}

// The value as the "0.00" ("0.000") pattern shows it: halves away from zero.
// The scale is fixed at compile time: this runs for every emitter every step.
template <int Decimals>
float RoundTo(float value) {
    constexpr double scale = PowerOfTen(Decimals);
    return static_cast<float>(std::round(static_cast<double>(value) * scale) / scale);
}

// What the zone's emitters do this step. `sign` is +1 for a heater and −1 for
// a cooler; the capacity is never negative.
struct EmitterChoice {
    int32_t mode = kOff;
    float sign = 0.0f;
    float setPoint = 0.0f;
    float capacity = 0.0f;
    float radiantFraction = 0.0f;
};

bool OrdinaryRun(const RunClock& clock) {
    return !clock.heatLossRun && !clock.heatGainRun;
}

// Heating when the control temperature is at or below the heater's set point
// (a storage heater always heats), else cooling when it is at or above the
// cooler's; then the capacity of the run kind, or off.
EmitterChoice ChoosePrimaryEmitter(const Zone& zone, const EngineState& state, float tc) {
    const RunClock& clock = state.clock;
    EmitterChoice choice;
    const HeaterDefinition* heater = zone.Heater ? zone.Heater->Definition : nullptr;
    const CoolerDefinition* cooler = zone.Cooler ? zone.Cooler->Definition : nullptr;
    if (!clock.heatGainRun && heater != nullptr) {
        choice.setPoint = ScheduleValue(zone.Heater->OperationPG);
        if (heater->HeaterType == HeaterDefinition::kStorage || tc <= choice.setPoint)
            choice.mode = kHeating;
        choice.sign = 1.0f;
    }
    if (choice.mode == kOff && cooler != nullptr) {
        choice.setPoint = ScheduleValue(zone.Cooler->OperationPG);
        if (tc >= choice.setPoint) choice.mode = kCooling;
        choice.sign = -1.0f;
    }

    if (choice.mode == kCooling) {
        const Chiller* chiller = zone.Cooler->SupplyChiller;
        if (chiller == nullptr || !(ScheduleValue(chiller->Timer) > kEmittersOn))
            return EmitterChoice{};
        choice.capacity = cooler->MaxHeat;
        choice.radiantFraction = cooler->RadiantFraction;
    } else if (choice.mode == kHeating) {
        choice.capacity = heater->MaxHeat;
        choice.radiantFraction = heater->RadiantFraction;
        if (clock.heatLossRun) {
            // Intermittent heating heats from the start of preheat to the end
            // of occupancy with the trial preheat output; the plant timer is
            // not consulted in the design run.
            if (state.settings.intermittent) {
                if (zone.PreheatState != 1 && zone.PreheatState != 2) return EmitterChoice{};
                choice.capacity = zone.PreheatTrial;
            }
        } else if (heater->HeaterType == HeaterDefinition::kOrdinary) {
            const Boiler* boiler = zone.Heater->SupplyBoiler;
            if (boiler == nullptr || !(ScheduleValue(boiler->Timer) > kEmittersOn))
                return EmitterChoice{};
        }
    }
    // A capacity below zero would turn a heater into a cooler: it gives nothing.
    if (!(choice.capacity > 0.0f)) choice.capacity = 0.0f;
    choice.radiantFraction = UsableRadiantFraction(choice.radiantFraction);
    return choice;
}

// Capacity of a weather-compensated emitter at outdoor temperature `toa`: full
// at ToaMin falling to PartLoadAtToaMax at ToaMax, none above. Below ToaMin
// the part-load capacity applies, as the record defines it (a step at ToaMin
// when PartLoadAtToaMax is not 1).
template <typename Secondary>
float CompensatedCapacity(const Secondary& emitter, float fullCapacity, float toa) {
    const float partLoad = emitter.PartLoadAtToaMax * fullCapacity;
    if (toa <= emitter.ToaMin) return partLoad;
    if (toa <= emitter.ToaMax)
        return static_cast<float>(
            StraightLine(emitter.ToaMin, fullCapacity, emitter.ToaMax, partLoad, toa));
    return 0.0f;
}

EmitterChoice ChooseSecondaryEmitter(const Zone& zone, const Weather& weather, float tc) {
    EmitterChoice choice;
    const SecondaryHeater* heater = zone.SecondaryHeater.get();
    const SecondaryCooler* cooler = zone.SecondaryCooler.get();
    float fullCapacity = 0.0f;
    if (heater != nullptr && heater->Definition != nullptr) {
        choice.setPoint = ScheduleValue(heater->OperationPG);
        if (tc <= choice.setPoint) {
            if (heater->SupplyBoiler == nullptr ||
                !(ScheduleValue(heater->SupplyBoiler->Timer) > kEmittersOn))
                return EmitterChoice{};
            choice.mode = kHeating;
            choice.sign = 1.0f;
            fullCapacity = heater->Definition->MaxHeat;
            choice.capacity = CompensatedCapacity(*heater, fullCapacity, weather.Toa);
            choice.radiantFraction = heater->Definition->RadiantFraction;
        }
    }
    if (choice.mode == kOff && cooler != nullptr && cooler->Definition != nullptr) {
        choice.setPoint = ScheduleValue(cooler->OperationPG);
        if (tc >= choice.setPoint) {
            if (cooler->SupplyChiller == nullptr ||
                !(ScheduleValue(cooler->SupplyChiller->Timer) > kEmittersOn))
                return EmitterChoice{};
            choice.mode = kCooling;
            choice.sign = -1.0f;
            fullCapacity = cooler->Definition->MaxHeat;
            choice.capacity = CompensatedCapacity(*cooler, fullCapacity, weather.Toa);
            choice.radiantFraction = cooler->Definition->RadiantFraction;
        }
    }
    if (!(choice.capacity > 0.0f)) choice.capacity = 0.0f;
    choice.radiantFraction = UsableRadiantFraction(choice.radiantFraction);
    return choice;
}

// Adds the output to the zone's emitter inputs and solves the nodes again.
void Inject(Zone& zone, const EmitterChoice& choice, const EmitterOutput& output) {
    zone.step.SIGKTA += choice.sign * output.convective;
    zone.step.SIGKTE += choice.sign * output.radiant;
    zone.SOLVT();
}

void AddToZonePlant(Zone& zone, float signedKW) {
    if (signedKW > 0.0f)
        zone.step.PLNTHT1 += signedKW;
    else if (signedKW < 0.0f)
        zone.step.PLNTHT2 += signedKW;
}

// Peaks are taken on the last design day of a design run (heating in the
// heat-loss run, cooling in the heat-gain run) and while the zone is occupied
// in ordinary runs.
void UpdatePeak(Zone& zone, const RunClock& clock, int32_t mode, float kW) {
    bool take = zone.OCONOF > 0;
    if (clock.heatLossRun) take = mode == kHeating && clock.day == clock.heatLossDesignDays;
    if (clock.heatGainRun) take = mode == kCooling && clock.day == clock.heatGainDesignDays;
    if (!take) return;
    double& peak = mode == kHeating ? zone.PeakHeatingLoad : zone.PeakCoolingLoad;
    if (kW > peak) peak = kW;
}

}  // namespace

void Zone::ControlResponse(float rf, float& perRadiantWatt, float& perConvectiveWatt) const {
    if (rf == 0.0f) {
        perRadiantWatt = step.F2;
        perConvectiveWatt = step.F1;
        return;
    }
    // Per watt into the air node (convective) or the environmental node
    // (radiant), the air moves by F1 or F2 and the mass by M4 per kelvin of
    // air plus M1 per radiant watt; the environmental and radiant nodes
    // follow from both, and the control temperature mixes air and radiant.
    const float E6 = step.M1;
    const float E9 = step.M4;
    const float k = (ALPHA1 + 1.0f) * rf / (K7 + step.SIGKP);
    perRadiantWatt = ((step.F2 * E9 + E6) * K2 + (ALPHA1 + 1.0f) + step.F2 * K4) * k -
                     rf * ALPHA1 * step.F2 + (1.0f - rf) * step.F2;
    perConvectiveWatt =
        (K2 * E9 * step.F1 + step.F1 * K4) * k - rf * ALPHA1 * step.F1 + (1.0f - rf) * step.F1;
}

float Zone::ControlTemperature() const {
    const float rf = state_.settings.emitterControlValue;
    return (1.0f - rf) * step.Ta2 + rf * step.Tr2;
}

void Zone::QPA(int32_t selector, int32_t mode, float f, float setPoint, float controlTemperature,
               float& q) {
    q = 0.0f;
    // Cooling takes its type from the primary cooler; without one, or of the
    // storage type that coolers lack, a cooler is an ordinary emitter. A
    // secondary heater has no core, so it too is ordinary.
    int16_t type = HeaterDefinition::kOrdinary;
    if (mode == kHeating) {
        if (selector == 1 && Heater && Heater->Definition) type = Heater->Definition->HeaterType;
    } else if (Cooler && Cooler->Definition && Cooler->Definition->CoolerType != 1) {
        type = Cooler->Definition->CoolerType;
    }

    if (type == HeaterDefinition::kOrdinary) {
        float perRadiantWatt = 0.0f, perConvectiveWatt = 0.0f;
        ControlResponse(state_.settings.emitterControlValue, perRadiantWatt, perConvectiveWatt);
        q = std::fabs((setPoint - controlTemperature) / (perRadiantWatt * f + perConvectiveWatt));
    } else if (type == HeaterDefinition::kStorage) {
        // The core's release is the heater's whole output: its convective
        // part is the release less the radiant share, so that the room gets
        // exactly what the core gives up.
        const float release =
            Heater->ReleaseStoredHeat(step.Te1, state_.weather->Toa, state_.clock.timeStepSeconds);
        q = release / (1.0f + f);
    }
}

void Zone::SolveEmitters() {
    const RunClock& clock = state_.clock;
    BuildingEnergyStore& store = state_.energy;
    const float tc = ControlTemperature();
    const EmitterChoice choice = ChoosePrimaryEmitter(*this, state_, tc);

    if (choice.mode == kOff) {
        SetDuty(kHeating, 0.0f);
        SetDuty(kCooling, 0.0f);
    } else {
        const float r = choice.radiantFraction;
        const float f = r / (1.0f - r);
        Zone* sensor = choice.mode == kHeating ? Heater->SensorZone : Cooler->SensorZone;
        EmitterOutput output;
        if (sensor == this || sensor == nullptr) {
            float q = 0.0f;
            QPA(1, choice.mode, f, choice.setPoint, tc, q);
            output = LimitedOutput(q, f, r, choice.capacity);
            if (choice.capacity > 0.0f) SetDuty(choice.mode, output.total / choice.capacity);
        } else {
            SetDuty(choice.mode, sensor->Duty(choice.mode));
            output = ShareOfCapacity(Duty(choice.mode), r, choice.capacity);
        }
        Inject(*this, choice, output);

        const float kW = output.total * 0.001f;
        AddToZonePlant(*this, RoundTo<2>(choice.sign * kW));
        if (choice.mode == kCooling) {
            if (Cooler->SupplyChiller != nullptr) Cooler->SupplyChiller->SMPHTACUM += kW;
            store.Add(EnergySlot::kCoolingDelivered, RoundTo<3>(kW));
            store.Add(EnergySlot::kNetHeating, RoundTo<3>(-kW));
        } else {
            // A storage heater's boiler carries its charging instead.
            if (Heater->Definition->HeaterType == HeaterDefinition::kOrdinary &&
                Heater->SupplyBoiler != nullptr)
                Heater->SupplyBoiler->SMPHTACUM += kW;
            store.Add(EnergySlot::kHeatingDelivered, RoundTo<3>(kW));
            store.Add(EnergySlot::kNetHeating, RoundTo<3>(kW));
        }
        UpdatePeak(*this, clock, choice.mode, kW);
    }

    FileStepValue(ZoneVariable::SecondaryHeating, 0.0f);
    FileStepValue(ZoneVariable::SecondaryCooling, 0.0f);
    if (OrdinaryRun(clock)) SolveSecondaryEmitters();
    FileStepValue(ZoneVariable::Heating, step.PLNTHT1);
    FileStepValue(ZoneVariable::Cooling, -step.PLNTHT2);
    FileStepValue(ZoneVariable::HeatingDuty, Duty(kHeating));
    FileStepValue(ZoneVariable::CoolingDuty, Duty(kCooling));
    FileStepValue(ZoneVariable::HeatingHours, step.PLNTHT1 > 0.0f ? 1.0f : 0.0f);
    FileStepValue(ZoneVariable::CoolingHours, step.PLNTHT2 < 0.0f ? 1.0f : 0.0f);
}

void Zone::SolveSecondaryEmitters() {
    BuildingEnergyStore& store = state_.energy;
    const float tc = ControlTemperature();
    const EmitterChoice choice = ChooseSecondaryEmitter(*this, *state_.weather, tc);
    if (choice.mode == kOff) return;

    const float r = choice.radiantFraction;
    const float f = r / (1.0f - r);
    float q = 0.0f;
    QPA(2, choice.mode, f, choice.setPoint, tc, q);
    const EmitterOutput output = LimitedOutput(q, f, r, choice.capacity);
    Inject(*this, choice, output);

    const float kW = output.total * 0.001f;
    AddToZonePlant(*this, choice.sign * kW);
    if (choice.mode == kCooling) {
        SecondaryCooler->SupplyChiller->SMPHTACUM += kW;
        store.Add(EnergySlot::kCoolingDelivered, kW);
        store.Add(EnergySlot::kNetHeating, -kW);
        FileStepValue(ZoneVariable::SecondaryCooling, kW);
    } else {
        SecondaryHeater->SupplyBoiler->SMPHTACUM += kW;
        store.Add(EnergySlot::kHeatingDelivered, kW);
        store.Add(EnergySlot::kNetHeating, kW);
        FileStepValue(ZoneVariable::SecondaryHeating, kW);
    }
}

}  // namespace kz7
