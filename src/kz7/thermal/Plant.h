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
          fans(state),
          state_(state) {}

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

    // Run preparation, before the result stores open: the plant layout of the
    // result records and a report of plant values that cannot give sound
    // results (thermal/Plant.cpp). Each zone starts its storage heater's core
    // itself (Heater::InitSimulation).
    void InitSimulation();
    // Start of a time step: no load booked and an empty energy store.
    void InitTimeStep();
    // After all zones: hot water, then every boiler, then every chiller.
    void Solve();

    HeaterDefinitions heaterDefinitions;
    CoolerDefinitions coolerDefinitions;
    Boilers boilers;
    Chillers chillers;
    DHW dhw;
    Fans fans;

  private:
    EngineState& state_;
};

}  // namespace kz7
