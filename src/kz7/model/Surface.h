#pragma once
// The distinct planes (orientation and slope) that elements lie in.
#include <algorithm>
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

    // Sun and sky on the plane in a time step (weather/ElementSolar.cpp):
    // worked out once per step by SetSun and shared by every element of
    // every zone that lies in the plane.
    struct Insolation {
        float cosTheta = 0.0f;  // cosine of the angle to the sun, before clipping
        float beam = 0.0f;      // W/m², with the circumsolar diffuse
        float diffuse = 0.0f;   // W/m², sky and ground
        float longWave = 0.0f;  // W/m², RadLW at the step's cloud cover
    };
    // Puts the step's sun and sky on the plane. With the sun down only the
    // long-wave loss is worked out: nothing reads the rest then.
    void SetSun(const SunView& sun);
    const Insolation& Sun() const { return insolation_; }

    float Orientation = 0.0f;  // radians, clockwise from north
    float Slope = 0.0f;        // radians from horizontal
    float SinSlope = 0.0f;
    float CosSlope = 1.0f;

  private:
    EngineState& state_;
    Insolation insolation_;
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
    // The step's sun and sky on every plane, before any zone's gains.
    void SetSun(const SunView& sun) {
        for (const auto& surface : items_) surface->SetSun(sun);
    }

  private:
    EngineState& state_;
    std::vector<std::unique_ptr<Surface>> items_;
};

}  // namespace kz7
