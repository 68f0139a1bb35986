#pragma once
// Opaque materials.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class OpaqueMaterials {
public:
    explicit OpaqueMaterials(EngineState& state) : state_(state) {}
    void Read() {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
