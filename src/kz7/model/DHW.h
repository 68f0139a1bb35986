#pragma once
// Domestic hot water: one demand on one boiler.
#include <cstdint>

namespace kz7 {

class EngineState;
class ProfileGroup;
class Boiler;

class DHW {
  public:
    explicit DHW(EngineState& state) : state_(state) {}
    void Read();
    void Clear();
    // Books the step's demand on the boiler (thermal/Plant.cpp).
    void Solve();

    // Peak demand, kW as read: every load a boiler sums is in kW, so the
    // demand is kept in kW too (held in W it would count a thousand times).
    float ANCMXHT = 0.0f;
    ProfileGroup* ANCPC = nullptr;   // percent of ANCMXHT
    Boiler* SupplyBoiler = nullptr;  // the record's "Boiler"

  private:
    EngineState& state_;
};

}  // namespace kz7
