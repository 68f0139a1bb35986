#include "ShadingCalculator.h"

#include <algorithm>
#include <cmath>

#include "PlanarGeometry.h"

namespace kz7::app {

namespace {

namespace bg = boost::geometry;
using planar::MultiPolygon;
using planar::Point;
using planar::Polygon;
using Box = bg::model::box<Point>;

// The engine takes no beam below this cosine of incidence; neither does the host.
constexpr double kGrazing = 1e-5;
// Sky directions: a grid of this many cells across the disk onto which the
// hemisphere in front of the plane projects; equal cells there carry equal
// cosine-weighted shares of the hemisphere.
constexpr int kSkyCells = 80;
// A shadow of less area than this (m²) shades nothing.
constexpr double kNoArea = 1e-12;

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

// Whether the convex `shadow` holds every corner of `box`, and so all of it.
bool Covers(const Polygon& shadow, const Box& box) {
    const Point& low = box.min_corner();
    const Point& high = box.max_corner();
    return bg::covered_by(low, shadow) && bg::covered_by(high, shadow) &&
           bg::covered_by(Point(low.x(), high.y()), shadow) &&
           bg::covered_by(Point(high.x(), low.y()), shadow);
}

}  // namespace

ShadingCalculator::ShadingCalculator(const ShadingPlane& plane)
    : width_(plane.Width()), height_(plane.Height()) {
    for (const ShadingSurface& surface : plane.surfaces)
        surfaces_.push_back({surface.points, IsConvex(surface.points)});
    skyShare_ = SkyShareOver(plane);
}

double ShadingCalculator::SunlitShare(const Vec3& sun) const {
    if (sun.z < kGrazing) return 0.0;
    const double du = sun.x / sun.z, dv = sun.y / sun.z;
    // What the sun still reaches: the rectangle less each shadow in turn.
    MultiPolygon lit;
    lit.resize(1);
    lit.front().outer() = {{0.0, 0.0}, {0.0, height_}, {width_, height_}, {width_, 0.0}, {0.0, 0.0}};
    Box litBox({0.0, 0.0}, {width_, height_});
    bool cut = false;
    for (const Surface& surface : surfaces_) {
        Polygon shadow;
        auto& ring = shadow.outer();
        ring.reserve(surface.points.size() + 1);
        for (const Vec3& p : surface.points) ring.emplace_back(p.x - p.z * du, p.y - p.z * dv);
        // A shadow clear of what is still lit, or with no area, takes nothing.
        const Box box = bg::return_envelope<Box>(ring);
        if (!(box.min_corner().x() < litBox.max_corner().x() &&
              box.max_corner().x() > litBox.min_corner().x() &&
              box.min_corner().y() < litBox.max_corner().y() &&
              box.max_corner().y() > litBox.min_corner().y()))
            continue;
        ring.push_back(ring.front());
        if (std::abs(bg::area(shadow)) < kNoArea) continue;
        bg::correct(shadow);
        // A convex shadow over every corner of the lit region's box leaves nothing lit.
        if (surface.convex && Covers(shadow, litBox)) return 0.0;
        MultiPolygon rest;
        bg::difference(lit, shadow, rest);
        if (rest.empty()) return 0.0;
        lit = std::move(rest);
        cut = true;
        bg::envelope(lit, litBox);
    }
    if (!cut) return 1.0;
    return std::clamp(bg::area(lit) / (width_ * height_), 0.0, 1.0);
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
