#include "HostShading.h"

#include <fmt/format.h>

#include <cmath>
#include <set>
#include <string>

#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"

namespace kz7::app {

namespace {

constexpr double kDegreesPerRadian = 1.0 / 0.017453292522222223;
constexpr double kFacingSlack = 1.0;  // degrees an element may face off its plane
// Plane indices are looked up in a table when it would hold no more than this
// many entries per plane (plus a few thousand in any case).
constexpr int64_t kTableSpread = 16, kTableSlack = 4096;

// What makes two planes see the same share of the sky: rectangle and surfaces
// in the plane's own frame, and how its axes climb (where the horizon lies in
// that frame). A facade of like windows and the facade opposite see alike.
std::vector<double> SkyLikeness(const ShadingPlane& plane) {
    std::vector<double> key{plane.Right().z, plane.Up().z, plane.Normal().z, plane.Width(),
                            plane.Height()};
    for (const ShadingSurface& surface : plane.surfaces) {
        key.push_back(static_cast<double>(surface.points.size()));
        for (const Vec3& p : surface.points) key.insert(key.end(), {p.x, p.y, p.z});
    }
    return key;
}

// What makes two planes shade alike under every sun: the same, facing the same way.
std::vector<double> Likeness(const ShadingPlane& plane) {
    std::vector<double> key = SkyLikeness(plane);
    for (const Vec3* axis : {&plane.Right(), &plane.Up(), &plane.Normal()})
        key.insert(key.end(), {axis->x, axis->y});
    return key;
}

// Angle between two azimuths, degrees, 0–180.
double AzimuthDifference(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

}  // namespace

HostShading::HostShading(ShadingPlanes planes)
    : planes_(std::move(planes)), unshaded_{ShadingCalculator(ShadingPlane{}, 1.0), nullptr, 0} {
    std::map<std::vector<double>, size_t> alike;
    std::map<std::vector<double>, double> skyShares;
    std::map<int32_t, size_t> shadingIndexOf;
    shadings_.reserve(planes_.size());
    for (const auto& [index, plane] : planes_) {
        const auto [found, added] = alike.emplace(Likeness(plane), shadings_.size());
        shadingIndexOf[index] = found->second;
        if (!added) continue;
        const std::vector<double> sky = SkyLikeness(plane);
        const auto seen = skyShares.find(sky);
        shadings_.push_back({seen == skyShares.end() ? ShadingCalculator(plane)
                                                     : ShadingCalculator(plane, seen->second),
                             &plane});
        Shading& made = shadings_.back();
        made.diffuse = static_cast<float>(made.calculator.SkyShare());
        skyShares.emplace(sky, made.calculator.SkyShare());
    }
    if (planes_.empty()) return;
    lowestIndex_ = planes_.begin()->first;
    const int64_t span = int64_t{planes_.rbegin()->first} - lowestIndex_ + 1;
    const bool table = span <= kTableSpread * static_cast<int64_t>(planes_.size()) + kTableSlack;
    if (table) shadingAt_.assign(static_cast<size_t>(span), &unshaded_);
    for (const auto& [index, at] : shadingIndexOf) {
        if (table)
            shadingAt_[static_cast<size_t>(int64_t{index} - lowestIndex_)] = &shadings_[at];
        else
            shadingOf_[index] = &shadings_[at];
    }
}

HostShading::Shading* HostShading::Find(int32_t plane) const {
    // One comparison for both ends of the table: an index below the lowest
    // wraps round to a very large one.
    const auto at = static_cast<uint64_t>(int64_t{plane} - lowestIndex_);
    if (at < shadingAt_.size()) return shadingAt_[at] == &unshaded_ ? nullptr : shadingAt_[at];
    if (shadingOf_.empty()) return nullptr;
    const auto found = shadingOf_.find(plane);
    return found == shadingOf_.end() ? nullptr : found->second;
}

double HostShading::DiffuseFactor(int32_t plane) const {
    const Shading* found = Find(plane);
    return found == nullptr ? 1.0 : found->calculator.SkyShare();
}

void HostShading::SetSunPosition(float altitude, float azimuth) {
    sun_ = SunDirection(altitude, azimuth);
    unshaded_.step = ++step_;
}

void HostShading::Factors(int32_t plane, float& direct, float& diffuse) {
    const auto at = static_cast<uint64_t>(int64_t{plane} - lowestIndex_);
    if (at < shadingAt_.size()) {
        const Shading& held = *shadingAt_[at];
        if (held.step == step_) {
            direct = held.direct;
            diffuse = held.diffuse;
            return;
        }
    }
    // A tail call, so that the common path saves no registers for it.
    return Answer(plane, direct, diffuse);
}

void HostShading::Answer(int32_t plane, float& direct, float& diffuse) {
    Shading* shading = Find(plane);
    if (shading == nullptr) {
        direct = diffuse = 1.0f;
        return;
    }
    if (shading->step != step_) {
        shading->direct = static_cast<float>(
            shading->calculator.SunlitShare(shading->plane->DirectionToLocal(sun_)));
        shading->step = step_;
    }
    direct = shading->direct;
    diffuse = shading->diffuse;
}

void ConnectShading(SimulateX& control, std::shared_ptr<HostShading> shading) {
    control.SetDoShading(shading != nullptr);
    if (!shading) {
        control.GetShadingData = nullptr;
        control.SetCurrentSolarPosition = nullptr;
        return;
    }
    control.GetShadingData = [shading](int32_t& plane, float& direct, float& diffuse) {
        shading->Factors(plane, direct, diffuse);
    };
    control.SetCurrentSolarPosition = [shading](float& altitude, float& azimuth) {
        shading->SetSunPosition(altitude, azimuth);
    };
}

void CheckShadingPlanes(EngineState& state, const ShadingPlanes& planes) {
    std::set<int32_t> named;
    for (const Zone& zone : *state.zones) {
        for (const auto& element : zone.elements) {
            if (element->Glazing == nullptr || element->PlaneIndex < 0) continue;
            const auto found = planes.find(element->PlaneIndex);
            if (found == planes.end()) continue;
            named.insert(found->first);
            const ShadingPlane& plane = found->second;
            const double slope = element->Slope * kDegreesPerRadian;
            const bool level = plane.SlopeDegrees() < kFacingSlack ||
                               plane.SlopeDegrees() > 180.0 - kFacingSlack;
            if (std::abs(slope - plane.SlopeDegrees()) > kFacingSlack ||
                (!level && AzimuthDifference(element->Orientation * kDegreesPerRadian,
                                             plane.OrientationDegrees()) > kFacingSlack))
                state.ShowError(fmt::format(
                    "Shading plane {} faces {:.1f}° at slope {:.1f}°, but a glazed element of "
                    "zone {} that names it faces {:.1f}° at slope {:.1f}°",
                    found->first, plane.OrientationDegrees(), plane.SlopeDegrees(), zone.Key,
                    element->Orientation * kDegreesPerRadian, slope));
        }
    }
    for (const auto& [index, plane] : planes)
        if (!named.contains(index))
            state.ShowError("Shading plane " + std::to_string(index) +
                            " is named by no glazed element; its shading changes nothing");
}

}  // namespace kz7::app
