#include "kz7/model/Gain.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/thermal/EnergyBooking.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {
constexpr float kLatentHeat = 2450.0f;  // J/g: latent watts to grams of moisture per second
}

void Gain::Read() {
    LineReader& reader = state_.reader;
    Code = reader.CurrentString();
    PG = state_.profileGroups->Item(reader.NextString());
    MaxSensible = reader.NextSingle();
    MaxLatent = reader.NextSingle();
    RF = reader.NextSingle();
    FuelCode = reader.NextInteger();  // clamped like every integer field
    FuelConsumption = reader.NextSingle();
    if (reader.AtEnd()) FuelConsumption = MaxSensible + MaxLatent;
    HBGNCODE = GainOutputCode(Code);
}

void Gain::Sim() {
    SensibleKW = LatentKW = EnergyKW = 0.0f;
    if (state_.clock.heatLossRun || PG == nullptr) return;
    const float fraction = PG->GRPVAL() * 0.01f;
    const float sensible = fraction * MaxSensible;
    const float moisture = fraction * MaxLatent / kLatentHeat;
    SensibleKW = sensible * 0.001f;
    LatentKW = fraction * MaxLatent * 0.001f;
    if (FuelCode >= 0) BookEnergy(fraction * FuelConsumption * 0.001f);
    MyZone->step.RDGN += sensible * RF;
    MyZone->step.CNGN += sensible * (1.0f - RF);
    MyZone->step.H2OGN1 += moisture;
}

// The gain's energy use goes to the building energy store twice: into the
// gains' share of its fuel and into the fuel's total.
void Gain::BookEnergy(float kW) {
    EnergyKW = kW;
    const int32_t fuelIndex = FuelCode + 1;
    if (fuelIndex < 1 || fuelIndex > EnergySlot::kFuelCount) return;  // a fuel no slot holds
    state_.energy.Add(EnergySlot::GainsFuelUse(fuelIndex), kW);
    BookFuel(state_.energy, fuelIndex, kW);  // the fuel's total and its carbon
}

void Gains::Read() {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Gains of zone " + zone_.Key + " are cut off by the end of the file");
            return;
        }
        const std::string first = reader.NextString();
        if (first == "}" || zone_.EndsListWithoutClose(first, "gains")) return;
        auto gain = std::make_unique<Gain>(state_, zone_);
        gain->Read();
        items_.push_back(std::move(gain));
    }
}

void Gains::Sim() {
    for (auto& gain : items_) gain->Sim();
}

ProfileGroup* Gains::GetOccupancyProfileGroup() const {
    for (const auto& gain : items_)
        if (gain->Code == "PE") return gain->PG;
    return nullptr;
}

}  // namespace kz7
