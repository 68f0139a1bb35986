#pragma once
// Boilers: the heat sources of heaters and hot water.
#include "kz7/model/PlantUnit.h"
#include "kz7/model/RecordCollection.h"

namespace kz7 {

class Boiler : public PlantUnit {
  public:
    using PlantUnit::PlantUnit;
    void Solve() {}  // plant behaviour belongs to the plant model

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
        for (Boiler& boiler : *this) boiler.Solve();
    }
};

}  // namespace kz7
