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
        if (factors_ != nullptr && *factors_) (*factors_)(plane, direct, diffuse);
    }
    // Raised only when the sun is above the horizon.
    void SetCurrentSolPos(float altitude, float azimuth) {
        if (altitude > 0.0f && sun_ != nullptr && *sun_) (*sun_)(altitude, azimuth);
    }

    // From now on the events call these handlers (either may be null), as
    // they stand when each event is raised: the factors are asked for every
    // glazed element each step, so the listener's own handler is called in
    // place, with nothing in between. The listener keeps both alive until it
    // calls Leave or another listens.
    void Listen(const FactorsHandler* factors, const SunHandler* sun) {
        factors_ = factors;
        sun_ = sun;
    }
    // A listener going away: the events fall silent, unless another listener
    // has taken them over since.
    void Leave(const FactorsHandler* factors) {
        if (factors_ == factors) Listen(nullptr, nullptr);
    }

private:
    const FactorsHandler* factors_ = nullptr;
    const SunHandler* sun_ = nullptr;
};

}  // namespace kz7
