#pragma once
// A zone's primary heater.
#include <string>

namespace kz7 {

class EngineState;
class HeaterDefinition;
class ProfileGroup;
class Boiler;
class Zone;

class Heater {
  public:
    Heater(EngineState& state, Zone& zone) : SensorZone(&zone), state_(state) {}

    // Reads the data line after the sub-record's keyword line, then the closing line.
    void Read();
    void InitSimulation();
    // Core-to-room conductance of a storage heater at its boost setting, W/K
    // (thermal/StorageHeater.cpp).
    float UA() const;
    // One step of a storage heater (thermal/StorageHeater.cpp): sets the boost
    // and charge settings, charges from the boiler when its timer, the
    // heater's schedule and the core allow, moves the core temperature by
    // charge minus release over `stepSeconds`, and gives the release, W, to a
    // room whose environmental temperature was `roomTemperature`.
    float ReleaseStoredHeat(float roomTemperature, float outdoorTemperature, double stepSeconds);

    HeaterDefinition* Definition = nullptr;  // the record's "HeaterDefinition"
    Zone* SensorZone;
    ProfileGroup* OperationPG = nullptr;  // set point, °C
    Boiler* SupplyBoiler = nullptr;       // the record's "Boiler"
    ProfileGroup* ChargePG = nullptr;
    float CoreTemperature = 0.0f;
    float BoostSetting = 0.0f;
    float ChargeSetting = 0.0f;
    float ChargeMaxToa = 0.0f;
    float ChargeMinToa = 0.0f;
    float BoostMaxTin = 0.0f;
    float BoostMinTin = 0.0f;

  private:
    EngineState& state_;
};

}  // namespace kz7
