#pragma once
// The site location: monthly values, coordinates and exposure.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Location {
public:
    explicit Location(EngineState& state) : state_(state) {}
    void Read() {}

    float GroundReflectance = 0.2f;  // ground albedo, 0..1

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
