#include "ShadingCalculator.h"

#include <algorithm>
#include <cmath>

#include <clipper.hpp>

namespace kz7::app {

namespace {

namespace cl = ClipperLib;

// The engine takes no beam below this cosine of incidence; neither does the host.
constexpr double kGrazing = 1e-5;
// Sky directions: a grid of this many cells across the disk onto which the
// hemisphere in front of the plane projects; equal cells there carry equal
// cosine-weighted shares of the hemisphere.
constexpr int kSkyCells = 80;
// A shadow of less area than this (m²) shades nothing.
constexpr double kNoArea = 1e-12;
// Clipper cuts polygons with integer coordinates. It cuts in plain 64-bit
// arithmetic while every coordinate lies within its `loRange`, and with
// 128-bit products otherwise, at about a fifth more cost. So the unit is the
// smallest that keeps the rectangle and every shadow within `loRange`...
constexpr double kFastCoordinate = static_cast<double>(cl::loRange) - 1.0;
// ...as long as that unit is no coarser than this share of the rectangle's
// smaller side. Rounding the points and Clipper's crossings to the unit moves
// an edge by at most about one unit, so each shadow edge across the rectangle
// changes its lit share by at most unit × diagonal / area, here no more than
// 1.5·10⁻⁸: a quarter of the step of the float that carries the factor to the
// engine (6·10⁻⁸ just below 1), and the rounding errors of the edges are
// independent, so they seldom add up. Only suns within a few degrees of
// grazing the plane throw shadows too long for this.
constexpr double kCoarsestUnit = 1e-8;
// Otherwise points in the plane are counted in nanometres...
constexpr double kPerMetre = 1e9;
// ...unless a shadow thrown by a low sun reaches so far that Clipper could not
// hold it: then in coarser units, the largest coordinate well inside its range.
constexpr double kLargestCoordinate = 0.5 * static_cast<double>(cl::hiRange);

// True when every corner turns the same way: the polygon (simple, flat) is convex.
bool IsConvex(const std::vector<Vec3>& points) {
    const size_t n = points.size();
    Vec3 first;
    for (size_t i = 0; i < n; ++i) {
        const Vec3 turn = Cross(points[(i + 1) % n] - points[i], points[(i + 2) % n] - points[(i + 1) % n]);
        if (Length(turn) < 1e-12) continue;
        if (Length(first) == 0.0)
            first = turn;
        else if (Dot(first, turn) < 0.0)
            return false;
    }
    return true;
}

// Whether `shadow` (convex) holds every corner of `rectangle`, and so all of it.
bool Covers(const cl::Path& shadow, const cl::Path& rectangle) {
    return std::all_of(rectangle.begin(), rectangle.end(),
                       [&shadow](const cl::IntPoint& corner) { return cl::PointInPolygon(corner, shadow) != 0; });
}

}  // namespace

struct ShadingCalculator::Scratch {
    cl::Clipper clipper;
    cl::Path shadow;
    cl::Paths lit;
};

ShadingCalculator::ShadingCalculator(const ShadingPlane& plane, double skyShare)
    : width_(plane.Width()), height_(plane.Height()), skyShare_(skyShare), scratch_(std::make_unique<Scratch>()) {
    for (const ShadingSurface& surface : plane.surfaces) {
        surfaces_.push_back({surface.points, IsConvex(surface.points)});
        for (const Vec3& p : surface.points) {
            reachInPlane_ = std::max({reachInPlane_, std::abs(p.x), std::abs(p.y)});
            reachOut_ = std::max(reachOut_, std::abs(p.z));
        }
    }
}

ShadingCalculator::ShadingCalculator(const ShadingPlane& plane) : ShadingCalculator(plane, 1.0) {
    skyShare_ = SkyShareOver(plane);
}

ShadingCalculator::ShadingCalculator(ShadingCalculator&&) noexcept = default;
ShadingCalculator& ShadingCalculator::operator=(ShadingCalculator&&) noexcept = default;
ShadingCalculator::~ShadingCalculator() = default;

double ShadingCalculator::SunlitShare(const Vec3& sun) const {
    if (sun.z < kGrazing) return 0.0;
    const double du = sun.x / sun.z, dv = sun.y / sun.z;
    // A direction that is not a number places no shadow: unshaded, as the
    // engine takes a factor it cannot use.
    if (!std::isfinite(du) || !std::isfinite(dv)) return 1.0;
    // No coordinate below, of the rectangle or of a shadow, is larger than this.
    const double reach = std::max({width_, height_, reachInPlane_ + reachOut_ * std::max(std::abs(du), std::abs(dv))});
    const double scale = UnitsPerMetre(reach);
    // Rounded to the nearest unit, halves away from zero (kept inline: this
    // runs for every point of every shadow).
    const auto units = [scale](double metres) {
        const double v = metres * scale;
        return static_cast<cl::cInt>(v < 0.0 ? v - 0.5 : v + 0.5);
    };
    const cl::cInt right = units(width_), top = units(height_);
    const cl::Path rectangle{{0, 0}, {right, 0}, {right, top}, {0, top}};

    // What the sun still reaches: the rectangle less the union of the shadows,
    // in one sweep.
    cl::Clipper& clipper = scratch_->clipper;
    clipper.Clear();
    bool shaded = false;
    cl::Path& shadow = scratch_->shadow;
    for (const Surface& surface : surfaces_) {
        shadow.clear();
        cl::cInt left = right, bottom = top, farRight = 0, farTop = 0;
        for (const Vec3& p : surface.points) {
            const cl::IntPoint& q = shadow.emplace_back(units(p.x - p.z * du), units(p.y - p.z * dv));
            left = std::min(left, q.X), farRight = std::max(farRight, q.X);
            bottom = std::min(bottom, q.Y), farTop = std::max(farTop, q.Y);
        }
        // A shadow clear of the rectangle, or with no area, takes nothing.
        if (!(left < right && farRight > 0 && bottom < top && farTop > 0)) continue;
        const double area = cl::Area(shadow);
        if (std::abs(area) < kNoArea * scale * scale) continue;
        // A convex shadow over every corner leaves nothing lit; one that does
        // not reach past all four sides cannot be over every corner.
        if (surface.convex && left <= 0 && bottom <= 0 && farRight >= right && farTop >= top &&
            Covers(shadow, rectangle))
            return 0.0;
        // All turning the same way, so that where shadows overlap they add up.
        if (area < 0.0) cl::ReversePath(shadow);
        clipper.AddPath(shadow, cl::ptClip, true);
        shaded = true;
    }
    if (!shaded) return 1.0;
    clipper.AddPath(rectangle, cl::ptSubject, true);
    cl::Paths& lit = scratch_->lit;
    clipper.Execute(cl::ctDifference, lit, cl::pftNonZero, cl::pftNonZero);
    double litArea = 0.0;  // holes count negative
    for (const cl::Path& part : lit) litArea += cl::Area(part);
    return std::clamp(litArea / (static_cast<double>(right) * static_cast<double>(top)), 0.0, 1.0);
}

double ShadingCalculator::UnitsPerMetre(double reach) const {
    const double fast = kFastCoordinate / reach;
    if (fast * kCoarsestUnit * std::min(width_, height_) >= 1.0) return fast;
    return std::min(kPerMetre, kLargestCoordinate / reach);
}

double ShadingCalculator::SkyShareOver(const ShadingPlane& plane) const {
    if (surfaces_.empty()) return 1.0;
    double seen = 0.0, cells = 0.0;
    const double size = 2.0 / kSkyCells;
    for (int i = 0; i < kSkyCells; ++i) {
        for (int j = 0; j < kSkyCells; ++j) {
            const double u = -1.0 + (i + 0.5) * size, v = -1.0 + (j + 0.5) * size;
            const double r2 = u * u + v * v;
            if (r2 >= 1.0) continue;
            const Vec3 direction{u, v, std::sqrt(1.0 - r2)};
            const Vec3 world = direction.x * plane.Right() + direction.y * plane.Up() +
                               direction.z * plane.Normal();
            if (world.z <= 0.0) continue;  // the ground
            cells += 1.0;
            seen += SunlitShare(direction);
        }
    }
    return cells > 0.0 ? seen / cells : 1.0;
}

}  // namespace kz7::app
