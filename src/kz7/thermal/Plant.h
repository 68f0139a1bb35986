#pragma once
// The plant: emitter definitions, boilers, chillers, hot water and fans.
#include "kz7/model/Boiler.h"
#include "kz7/model/Chiller.h"
#include "kz7/model/CoolerDefinition.h"
#include "kz7/model/DHW.h"
#include "kz7/model/Fans.h"
#include "kz7/model/HeaterDefinition.h"

namespace kz7 {

class EngineState;

class Plant {
  public:
    explicit Plant(EngineState& state)
        : heaterDefinitions(state),
          coolerDefinitions(state),
          boilers(state),
          chillers(state),
          dhw(state),
          fans(state) {}

    // Record readers of the plant keywords.
    void ReadBoiler() { boilers.Read(); }
    void ReadChiller() { chillers.Read(); }
    void ReadFans() { fans.Read(); }
    void ReadHeaterDefinition() { heaterDefinitions.Read(); }
    void ReadCoolerDefinition() { coolerDefinitions.Read(); }
    void ReadDHW() { dhw.Read(); }
    void Clear() {
        heaterDefinitions.Clear();
        coolerDefinitions.Clear();
        boilers.Clear();
        chillers.Clear();
        dhw.Clear();
        fans.Clear();
    }

    // Step stages; the plant's behaviour fills them.
    void InitTimeStep() {}
    void Solve() {}

    HeaterDefinitions heaterDefinitions;
    CoolerDefinitions coolerDefinitions;
    Boilers boilers;
    Chillers chillers;
    DHW dhw;
    Fans fans;
};

}  // namespace kz7
