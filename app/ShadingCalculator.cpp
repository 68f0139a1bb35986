#include "ShadingCalculator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "PlanarGeometry.h"

namespace kz7::app {

namespace {

namespace bg = boost::geometry;
using planar::MultiPolygon;
using planar::Point;
using planar::Polygon;

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
    Polygon rectangle;
    rectangle.outer() = {{0.0, 0.0}, {0.0, height_}, {width_, height_}, {width_, 0.0}, {0.0, 0.0}};
    MultiPolygon shade;
    for (const Surface& surface : surfaces_) {
        Polygon shadow;
        auto& ring = shadow.outer();
        double minU = std::numeric_limits<double>::infinity(), maxU = -minU, minV = minU, maxV = -minU;
        for (const Vec3& p : surface.points) {
            const Point q(p.x - p.z * du, p.y - p.z * dv);
            minU = std::min(minU, q.x()), maxU = std::max(maxU, q.x());
            minV = std::min(minV, q.y()), maxV = std::max(maxV, q.y());
            ring.push_back(q);
        }
        // Shadows clear of the rectangle, or with no area, need no clipping.
        if (!(minU < width_ && maxU > 0.0 && minV < height_ && maxV > 0.0)) continue;
        ring.push_back(ring.front());
        if (std::abs(bg::area(shadow)) < kNoArea) continue;
        bg::correct(shadow);
        if (surface.convex && bg::covered_by(Point(0.0, 0.0), shadow) &&
            bg::covered_by(Point(width_, 0.0), shadow) &&
            bg::covered_by(Point(width_, height_), shadow) &&
            bg::covered_by(Point(0.0, height_), shadow))
            return 0.0;
        MultiPolygon piece;
        bg::intersection(rectangle, shadow, piece);
        if (shade.empty()) {
            shade = std::move(piece);
        } else {
            MultiPolygon joined;
            bg::union_(shade, piece, joined);
            shade = std::move(joined);
        }
    }
    if (shade.empty()) return 1.0;
    return std::clamp(1.0 - bg::area(shade) / (width_ * height_), 0.0, 1.0);
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
