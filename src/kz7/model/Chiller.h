#pragma once
// Chillers: the cooling sources of coolers.
#include "kz7/model/PlantUnit.h"
#include "kz7/model/RecordCollection.h"

namespace kz7 {

class Chiller : public PlantUnit {
  public:
    using PlantUnit::PlantUnit;
    void Solve() {}  // plant behaviour belongs to the plant model

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
        for (Chiller& chiller : *this) chiller.Solve();
    }
};

}  // namespace kz7
