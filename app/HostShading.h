#pragma once
// How the kz7 host answers the engine's shading events from the shading
// geometry of the model: SetCurrentSolarPosition gives the sun of the step,
// GetShadingData asks for the direct and diffuse factors of one plane.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "ShadingCalculator.h"
#include "ShadingPlane.h"

namespace kz7 {
class EngineState;
class SimulateX;
}  // namespace kz7

namespace kz7::app {

class HostShading {
  public:
    explicit HostShading(ShadingPlanes planes);
    // It points into its own planes and calculations.
    HostShading(const HostShading&) = delete;
    HostShading& operator=(const HostShading&) = delete;

    const ShadingPlanes& Planes() const { return planes_; }
    // The diffuse factor of a plane; 1 for a plane without geometry.
    double DiffuseFactor(int32_t plane) const;

    // SetCurrentSolarPosition: the sun of the coming step, radians.
    void SetSunPosition(float altitude, float azimuth);
    // GetShadingData: the factors of `plane` under the last sun given. A plane
    // without geometry is unshaded.
    void Factors(int32_t plane, float& direct, float& diffuse);

  private:
    // Planes with the same rectangle, facing and surfaces in their own frame
    // share one calculation: a facade of like windows is worked out once.
    struct Shading {
        ShadingCalculator calculator;
        const ShadingPlane* plane;
        int64_t step = -1;  // the step whose direct factor is held
        float direct = 1.0f;
        float diffuse = 1.0f;  // the sky share, as the engine takes it
    };

    // The shading of a plane index; null when no plane has that index.
    Shading* Find(int32_t plane) const;
    // The factors of what the table does not hold for this step: works out
    // the direct factor of a plane for the sun of this step, or hands out 1
    // for an index without a plane. Kept apart from Factors, which mostly
    // hands out factors already held.
    [[gnu::noinline]] void Answer(int32_t plane, float& direct, float& diffuse);

    ShadingPlanes planes_;
    std::vector<Shading> shadings_;
    // Factors of 1, held for every step: what the table holds for an index
    // between planes' indices that no plane has.
    Shading unshaded_;
    // Asked for every glazed element each step, so a plain table over the
    // indices from the lowest when they lie close together (as they do), a
    // hash map only for indices spread far apart. The table points into
    // `shadings_` or at `unshaded_`, the map into `shadings_`.
    int32_t lowestIndex_ = 0;
    std::vector<Shading*> shadingAt_;
    std::unordered_map<int32_t, Shading*> shadingOf_;
    Vec3 sun_{0.0, 0.0, 1.0};
    int64_t step_ = 0;
};

// Makes `control` answer the shading events from `shading` and switches
// shading on; with no shading, switches it off and answers nothing.
void ConnectShading(SimulateX& control, std::shared_ptr<HostShading> shading);

// Reports planes that no glazed element names (they change nothing) and
// glazed elements that face another way than the plane they name.
void CheckShadingPlanes(EngineState& state, const ShadingPlanes& planes);

}  // namespace kz7::app
