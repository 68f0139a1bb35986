#pragma once
// Louvres shading glazing.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Louvres {
public:
    explicit Louvres(EngineState& state) : state_(state) {}
    void Read() {}
    void Clear() {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
