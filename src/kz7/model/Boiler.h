#pragma once
// Boilers: the heat sources of heaters and hot water.
#include <cstdint>

#include "kz7/model/PlantUnit.h"
#include "kz7/model/RecordCollection.h"

namespace kz7 {

class Boiler : public PlantUnit {
  public:
    using PlantUnit::PlantUnit;
    // The step's plant calculation (thermal/PlantUnitSolve.cpp); `position`
    // is the unit's 1-based place in the plant's collection.
    void Solve();
    void SolveAt(int32_t position);

  protected:
    float AuxiliaryPowerFromRecord(float value) const override {
        return value * 0.001f;
    }  // W to kW
    const char* Kind() const override { return "Boiler"; }
};

class Boilers : public RecordCollection<Boiler> {
  public:
    using RecordCollection::RecordCollection;
    void InitTimeStep() {
        for (Boiler& boiler : *this) boiler.InitTimeStep();
    }
    void Solve() {
        int32_t position = 0;
        for (Boiler& boiler : *this) boiler.SolveAt(++position);
    }
};

}  // namespace kz7
