#include "kz7/model/Surface.h"

#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {
constexpr float kSamePlane = 0.044f;  // radians, about 2.5°
constexpr float kHalfTurn = 3.1415927f;
constexpr float kFlat = 1e-6f;
}  // namespace

void Surface::Init(float orientation, float slope) {
    Orientation = orientation;
    Slope = slope;
    CosSlope = std::cos(slope);
    SinSlope = std::sin(slope);
    insolation_ = {};
}

float Surface::RadLW() const { return RadLW(static_cast<float>(state_.weather->iCloud)); }

Surface& Surfaces::IFUNC(float orientation, float slope) {
    if (std::fabs(slope - kHalfTurn) < kFlat || std::fabs(slope) < kFlat) orientation = 0.0f;
    for (const auto& surface : items_) {
        if (std::fabs(surface->Orientation - orientation) <= kSamePlane &&
            std::fabs(surface->Slope - slope) <= kSamePlane)
            return *surface;
    }
    auto surface = std::make_unique<Surface>(state_);
    surface->Init(orientation, slope);
    items_.push_back(std::move(surface));
    return *items_.back();
}

}  // namespace kz7
