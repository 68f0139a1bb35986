#pragma once
// Glazing.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class GlazedConstructions {
public:
    explicit GlazedConstructions(EngineState& state) : state_(state) {}
    void Read() {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
