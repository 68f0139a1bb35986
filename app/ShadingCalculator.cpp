#include "ShadingCalculator.h"

#include <algorithm>
#include <boost/container/small_vector.hpp>
#include <cmath>
#include <limits>

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

// A shadow on the plane. Shadows of up to seven corners (every overhang and
// fin, most polygons) stay off the heap.
template <typename T, typename Allocator>
using ShadowPoints = boost::container::small_vector<T, 8, Allocator>;
using Shadow = bg::model::polygon<Point, true, true, ShadowPoints>;

// Whether the convex `shadow` holds every corner of `box`, and so all of it.
bool Covers(const Shadow& shadow, const Box& box) {
    const Point& low = box.min_corner();
    const Point& high = box.max_corner();
    return bg::covered_by(low, shadow) && bg::covered_by(high, shadow) &&
           bg::covered_by(Point(low.x(), high.y()), shadow) &&
           bg::covered_by(Point(high.x(), low.y()), shadow);
}

// Whether two boxes share more than an edge.
bool Overlap(const Box& a, const Box& b) {
    return a.min_corner().x() < b.max_corner().x() && a.max_corner().x() > b.min_corner().x() &&
           a.min_corner().y() < b.max_corner().y() && a.max_corner().y() > b.min_corner().y();
}

// One surface's shadow for a sun direction: the surface projected along it
// onto the plane, with the box round it.
struct CastShadow {
    Shadow polygon;
    Box box;
    bool convex = false;
};

// Casts the shadow of `points` along the sun's direction (du, dv per unit of
// w) into `shadow`. False when the shadow misses `window` or has no area.
bool Cast(const std::vector<Vec3>& points, bool convex, double du, double dv, const Box& window,
          CastShadow& shadow) {
    auto& ring = shadow.polygon.outer();
    ring.clear();
    Point low(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    Point high(-low.x(), -low.y());
    for (const Vec3& p : points) {
        const Point q(p.x - p.z * du, p.y - p.z * dv);
        low = {std::min(low.x(), q.x()), std::min(low.y(), q.y())};
        high = {std::max(high.x(), q.x()), std::max(high.y(), q.y())};
        ring.push_back(q);
    }
    shadow.box = {low, high};
    if (!Overlap(shadow.box, window)) return false;
    ring.push_back(ring.front());
    if (std::abs(bg::area(shadow.polygon)) < kNoArea) return false;
    bg::correct(shadow.polygon);
    shadow.convex = convex;
    return true;
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
    const Box window({0.0, 0.0}, {width_, height_});
    const double windowArea = width_ * height_;
    // The shadows that reach the window; a convex one over all of it leaves nothing lit.
    boost::container::small_vector<CastShadow, 4> shadows(surfaces_.size());
    size_t reaching = 0;
    for (const Surface& surface : surfaces_) {
        CastShadow& shadow = shadows[reaching];
        if (!Cast(surface.points, surface.convex, du, dv, window, shadow)) continue;
        if (shadow.convex && Covers(shadow.polygon, window)) return 0.0;
        ++reaching;
    }
    if (reaching == 0) return 1.0;
    if (reaching == 1) {
        // One shadow: the window less its part under it, without a union.
        MultiPolygon shaded;
        bg::intersection(window, shadows.front().polygon, shaded);
        return std::clamp(1.0 - bg::area(shaded) / windowArea, 0.0, 1.0);
    }
    // What the sun still reaches: the window less each shadow in turn.
    MultiPolygon lit;
    bg::convert(window, lit);
    Box litBox = window;
    for (size_t i = 0; i < reaching; ++i) {
        const CastShadow& shadow = shadows[i];
        if (!Overlap(shadow.box, litBox)) continue;
        // A convex shadow over every corner of the lit region's box leaves nothing lit.
        if (shadow.convex && Covers(shadow.polygon, litBox)) return 0.0;
        MultiPolygon rest;
        bg::difference(lit, shadow.polygon, rest);
        if (rest.empty()) return 0.0;
        lit = std::move(rest);
        bg::envelope(lit, litBox);
    }
    return std::clamp(bg::area(lit) / windowArea, 0.0, 1.0);
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
