#pragma once
// The distinct planes (orientation and slope) that elements lie in.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kz7 {

class EngineState;
struct SunView;

class Surface {
  public:
    explicit Surface(EngineState& state) : state_(state) {}

    void Init(float orientation, float slope);
    // Net long-wave loss of the plane to the sky at the current cloud cover, W/m².
    float RadLW() const;
    // The same at a cloud cover of `cloudOktas` (0..8).
    float RadLW(float cloudOktas) const {
        return std::max(0.0f, (CosSlope * 72.0f + 21.0f) - cloudOktas * (CosSlope * 7.75f + 2.125f));
    }

    // Sun on the plane (weather/ElementSolar.cpp): worked out once for each
    // sun and sky state and shared by every element that lies in the plane.
    struct Insolation {
        float cosTheta = 0.0f;  // cosine of the angle to the sun, before clipping
        float beam = 0.0f;      // W/m², with the circumsolar diffuse
        float diffuse = 0.0f;   // W/m², sky and ground
    };
    const Insolation& SunOn(const SunView& sun);

    float Orientation = 0.0f;  // radians, clockwise from north
    float Slope = 0.0f;        // radians from horizontal
    float SinSlope = 0.0f;
    float CosSlope = 1.0f;

  private:
    EngineState& state_;
    Insolation insolation_;
    std::array<float, 6> insolationKey_{};  // the sun and sky it was worked out for
    bool hasInsolation_ = false;
};

class Surfaces {
  public:
    explicit Surfaces(EngineState& state) : state_(state) {}

    // The plane within 0.044 rad of (orientation, slope), added when new.
    // Horizontal planes, facing up or down, have no orientation.
    Surface& IFUNC(float orientation, float slope);
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    Surface& Item(int32_t position) const { return *items_.at(static_cast<size_t>(position - 1)); }
    void Clear() { items_.clear(); }

  private:
    EngineState& state_;
    std::vector<std::unique_ptr<Surface>> items_;
};

}  // namespace kz7
