#pragma once
// Booking of energy into the building energy store: fuel by fuel index with
// its carbon dioxide, and auxiliary electricity. (A boiler's or chiller's own
// fuel slot is in EnergySlots.h.)
#include <cstdint>

#include "kz7/output/BuildingEnergyStore.h"

namespace kz7 {

// kg of carbon dioxide per kWh of fuel index 1..6; 0 for any other index.
float CarbonFactor(int32_t fuelIndex);

// Adds `kWh` to the fuel's slot and its carbon dioxide to the carbon slot. An
// index outside 1..6 books neither fuel nor carbon.
void BookFuel(BuildingEnergyStore& store, int32_t fuelIndex, float kWh);
// Auxiliary electricity: its own slot and fuel index 1.
void BookAuxiliaryElectricity(BuildingEnergyStore& store, float kWh);

}  // namespace kz7
