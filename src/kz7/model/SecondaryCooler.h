#pragma once
// A zone's secondary, weather-compensated cooler.
#include <string>

namespace kz7 {

class EngineState;
class CoolerDefinition;
class ProfileGroup;
class Chiller;

class SecondaryCooler {
  public:
    explicit SecondaryCooler(EngineState& state) : state_(state) {}
    void Read();

    std::string Key;
    CoolerDefinition* Definition = nullptr;
    float ToaMin = 0.0f;
    float ToaMax = 0.0f;
    float PartLoadAtToaMax = 0.0f;
    ProfileGroup* OperationPG = nullptr;
    Chiller* SupplyChiller = nullptr;

  private:
    EngineState& state_;
};

}  // namespace kz7
