#pragma once
// The distinct planes that elements lie in.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Surfaces {
public:
    explicit Surfaces(EngineState& state) : state_(state) {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
