#pragma once
// The fan system of the building.
#include <string>

namespace kz7 {

class EngineState;

class Fans {
  public:
    explicit Fans(EngineState& state) : state_(state) {}
    void Read();
    void Clear() { SYSPRESS = SYSEFF = SYSMEFF = SYSPU = 0.0f; }

    std::string Key;
    std::string Description;
    float SYSPRESS = 0.0f;  // system pressure, Pa
    float SYSEFF = 0.0f;    // fan efficiency, fraction
    float SYSMEFF = 0.0f;   // motor efficiency, fraction
    float SYSPU = 0.0f;     // fraction

  private:
    EngineState& state_;
};

}  // namespace kz7
