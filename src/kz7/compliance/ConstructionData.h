#pragma once
// Thermal properties of one opaque construction of the model, by its
// 1-based position in the construction collection.
#include <cstdint>

namespace kz7 {

class EngineState;
class OpaqueConstruction;

struct ConstructionData {
    float UValue = 0.0f;
    float HCO = 0.0f;
    float RadO = 0.0f;
    float SRO = 0.0f;
    float HCI = 0.0f;
    float RadI = 0.0f;
    float SRI = 0.0f;
};

struct ConstructionDataDouble {
    double RValue = 0.0;
    double UValue = 0.0;
    double UValueSurfaceToSurface = 0.0;
    double HCO = 0.0;
    double RadO = 0.0;
    double SRO = 0.0;
    double HCI = 0.0;
    double RadI = 0.0;
    double SRI = 0.0;
    double Thickness = 0.0;
    double CM = 0.0;
};

// The construction at position `id`; nullptr, with a message event naming
// the ID, when there is none.
const OpaqueConstruction* ConstructionAt(EngineState& state, int32_t id);

ConstructionData SingleConstructionData(const OpaqueConstruction& construction);
ConstructionDataDouble DoubleConstructionData(const OpaqueConstruction& construction);

}  // namespace kz7
