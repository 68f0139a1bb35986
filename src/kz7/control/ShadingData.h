#pragma once
// Event source through which the engine asks the host for shading factors
// and announces the sun position.
#include <cstdint>
#include <functional>

namespace kz7 {

class ShadingData {
public:
    using FactorsHandler = std::function<void(int32_t& plane, float& direct, float& diffuse)>;
    using SunHandler = std::function<void(float& altitude, float& azimuth)>;

    // The host may overwrite both factors through its handler.
    void GetShadingFactors(int32_t plane, float& direct, float& diffuse) {
        if (onFactors) onFactors(plane, direct, diffuse);
    }
    // Raised only when the sun is above the horizon.
    void SetCurrentSolPos(float altitude, float azimuth) {
        if (altitude > 0.0f && onSunPosition) onSunPosition(altitude, azimuth);
    }

    FactorsHandler onFactors;
    SunHandler onSunPosition;
};

}  // namespace kz7
