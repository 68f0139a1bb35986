#pragma once
// A zone's primary cooler.

namespace kz7 {

class EngineState;
class CoolerDefinition;
class ProfileGroup;
class Chiller;
class Zone;

class Cooler {
  public:
    Cooler(EngineState& state, Zone& zone) : SensorZone(&zone), state_(state) {}

    // Reads the data line after the sub-record's keyword line, then the closing line.
    void Read();

    CoolerDefinition* Definition = nullptr;  // the record's "CoolerDefinition"
    Zone* SensorZone;
    ProfileGroup* OperationPG = nullptr;  // set point, °C
    Chiller* SupplyChiller = nullptr;     // the record's "Chiller"

  private:
    EngineState& state_;
};

}  // namespace kz7
