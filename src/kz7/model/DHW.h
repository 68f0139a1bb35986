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
    void Solve() {}  // plant behaviour belongs to the plant model

    // Peak demand. The record gives kW and it is held multiplied by 1000
    // (W) as read; the plant model converts when it books it.
    float ANCMXHT = 0.0f;
    ProfileGroup* ANCPC = nullptr;   // percent of ANCMXHT
    Boiler* SupplyBoiler = nullptr;  // the record's "Boiler"

  private:
    EngineState& state_;
};

}  // namespace kz7
