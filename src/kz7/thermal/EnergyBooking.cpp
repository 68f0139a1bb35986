#include "kz7/thermal/EnergyBooking.h"

#include <array>

#include "kz7/output/EnergySlots.h"

namespace kz7 {

namespace {
// By fuel index; index 1 is electricity.
constexpr std::array<float, EnergySlot::kFuelCount> kCarbonFactors = {0.685f, 0.195f, 0.273f,
                                                                      0.34f,  0.195f, 0.685f};
}  // namespace

float CarbonFactor(int32_t fuelIndex) {
    if (fuelIndex < 1 || fuelIndex > EnergySlot::kFuelCount) return 0.0f;
    return kCarbonFactors[static_cast<size_t>(fuelIndex - 1)];
}

void BookFuel(BuildingEnergyStore& store, int32_t fuelIndex, float kWh) {
    if (fuelIndex < 1 || fuelIndex > EnergySlot::kFuelCount) return;
    store.Add(EnergySlot::FuelUse(fuelIndex), kWh);
    store.Add(EnergySlot::kCarbonDioxide, kWh * CarbonFactor(fuelIndex));
}

void BookAuxiliaryElectricity(BuildingEnergyStore& store, float kWh) {
    store.Add(EnergySlot::kAuxiliaryElectricity, kWh);
    BookFuel(store, 1, kWh);
}

}  // namespace kz7
