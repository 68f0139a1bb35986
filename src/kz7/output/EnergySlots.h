#pragma once
// The fixed layout of the building energy store (BuildingEnergyStore): which
// slot holds which per-step quantity. Gains, zones and plant book into these
// slots; the plant result store reports them (positions in ResultVariables.h).
// Powers are in kW for the step, carbon dioxide in kg/h for the step.
#include <algorithm>
#include <cstdint>

namespace kz7::EnergySlot {

constexpr int32_t kHeatingDelivered = 1;       // zone heating delivered by emitters
constexpr int32_t kCoolingDelivered = 2;       // zone cooling delivered by emitters, positive
constexpr int32_t kNetHeating = 5;             // heating minus cooling
constexpr int32_t kBoilerOutput = 11;          // heat output of all boilers
constexpr int32_t kChillerOutput = 12;         // cooling output of all chillers
constexpr int32_t kFanElectricity = 20;        // fan electricity of mechanical supply
constexpr int32_t kAuxiliaryElectricity = 21;  // plant auxiliary electricity
constexpr int32_t kCarbonDioxide = 29;         // carbon dioxide of all booked fuel

// Fuel indices run 1..6 (fuel index = fuel code + 1; index 1 is electricity).
constexpr int32_t kFuelCount = 6;
// All fuel used, by fuel index: slots 23..28.
constexpr int32_t FuelUse(int32_t fuelIndex) {
    return 22 + fuelIndex;
}
// The part of it consumed by internal gains, by fuel index: slots 13..18.
constexpr int32_t GainsFuelUse(int32_t fuelIndex) {
    return 12 + fuelIndex;
}
// Fuel of the k-th boiler of the plant: slots 30 on.
constexpr int32_t BoilerFuel(int32_t k) {
    return 29 + k;
}
// Fuel of the k-th chiller: after at least six boiler slots.
constexpr int32_t ChillerFuel(int32_t k, int32_t boilerCount) {
    return 29 + std::max(boilerCount, 6) + k;
}

}  // namespace kz7::EnergySlot
