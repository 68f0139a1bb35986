#pragma once
// Chillers: the cooling sources of coolers.
#include <cstdint>

#include "kz7/model/PlantUnit.h"
#include "kz7/model/RecordCollection.h"

namespace kz7 {

class Chiller : public PlantUnit {
  public:
    using PlantUnit::PlantUnit;
    // The step's plant calculation (thermal/PlantUnitSolve.cpp); `position`
    // is the unit's 1-based place in the plant's collection.
    void Solve();
    void SolveAt(int32_t position);

  protected:
    float AuxiliaryPowerFromRecord(float value) const override { return value; }  // kW as read
    const char* Kind() const override { return "Chiller"; }
};

class Chillers : public RecordCollection<Chiller> {
  public:
    using RecordCollection::RecordCollection;
    void InitTimeStep() {
        for (Chiller& chiller : *this) chiller.InitTimeStep();
    }
    void Solve() {
        int32_t position = 0;
        for (Chiller& chiller : *this) chiller.SolveAt(++position);
    }
};

}  // namespace kz7
