#pragma once
// The plant: boilers, chillers, emitter definitions, hot water and fans.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Plant {
public:
    explicit Plant(EngineState& state) : state_(state) {}
    void ReadBoiler() {}
    void ReadChiller() {}
    void ReadFans() {}
    void ReadHeaterDefinition() {}
    void ReadCoolerDefinition() {}
    void ReadDHW() {}
    void Clear() {}
    void InitTimeStep() {}
    void Solve() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
