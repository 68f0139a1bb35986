#pragma once
// A zone's secondary, weather-compensated heater.
#include <string>

namespace kz7 {

class EngineState;
class HeaterDefinition;
class ProfileGroup;
class Boiler;

class SecondaryHeater {
  public:
    explicit SecondaryHeater(EngineState& state) : state_(state) {}
    void Read();

    std::string Key;
    HeaterDefinition* Definition = nullptr;
    float ToaMin = 0.0f;
    float ToaMax = 0.0f;
    float PartLoadAtToaMax = 0.0f;
    ProfileGroup* OperationPG = nullptr;
    Boiler* SupplyBoiler = nullptr;

  private:
    EngineState& state_;
};

}  // namespace kz7
