#include "ConvexClip.h"

#include <stdexcept>
#include <utility>

namespace kz7::app {

namespace {

// The half-plane left of the line through `from` along `along`, the line included.
struct HalfPlane {
    PlanePoint from, along;

    // Positive left of the line, 0 on it: its distance times |along|.
    double Side(const PlanePoint& p) const {
        return along.x * (p.y - from.y) - along.y * (p.x - from.x);
    }
};

// The part of the convex polygon `in` within `half`, into `out`: its points
// there, and where its edges cross the line, each interpolated from the point
// kept so that it carries the rounding of the short step, not of a far point.
void Keep(const PlanePolygon& in, const HalfPlane& half, PlanePolygon& out) {
    out.clear();
    if (in.empty()) return;
    PlanePoint last = in.back();
    double lastSide = half.Side(last);
    for (const PlanePoint& p : in) {
        const double side = half.Side(p);
        if ((side >= 0.0) != (lastSide >= 0.0)) {
            const bool lastKept = lastSide >= 0.0;
            const PlanePoint& kept = lastKept ? last : p;
            const PlanePoint& dropped = lastKept ? p : last;
            const double keptSide = lastKept ? lastSide : side;
            // One side is ≥ 0 and the other < 0: the denominator is positive.
            const double t = keptSide / (keptSide - (lastKept ? side : lastSide));
            out.push_back({kept.x + t * (dropped.x - kept.x), kept.y + t * (dropped.y - kept.y)});
        }
        if (side >= 0.0) out.push_back(p);
        last = p;
        lastSide = side;
    }
}

// Keeps the part of the convex `polygon` within `half`; `spare` is scratch.
void CutBy(const HalfPlane& half, PlanePolygon& polygon, PlanePolygon& spare) {
    Keep(polygon, half, spare);
    std::swap(polygon, spare);
}

}  // namespace

double SignedArea(const PlanePolygon& polygon) {
    if (polygon.size() < 3) return 0.0;
    const PlanePoint& o = polygon.front();
    double twice = 0.0;
    for (size_t i = 1; i + 1 < polygon.size(); ++i) {
        const PlanePoint& a = polygon[i];
        const PlanePoint& b = polygon[i + 1];
        twice += (a.x - o.x) * (b.y - o.y) - (b.x - o.x) * (a.y - o.y);
    }
    return 0.5 * twice;
}

void ConvexClip::Intersect(const PlanePolygon& in, const PlanePolygon& clip, PlanePolygon& out) {
    out = in;
    for (size_t i = 0, last = clip.size() - 1; i < clip.size() && out.size() >= 3; last = i++)
        CutBy({clip[last], {clip[i].x - clip[last].x, clip[i].y - clip[last].y}}, out, spare_);
}

double ConvexClip::CoveredArea(std::span<const PlanePolygon* const> polygons, double width,
                               double height) {
    if (polygons.size() > kMostPolygons)
        throw std::invalid_argument("ConvexClip takes at most three polygons");
    const double whole = width * height;
    rectangle_ = {{0.0, 0.0}, {width, 0.0}, {width, height}, {0.0, height}};
    // Inclusion and exclusion: the areas of the polygons within the
    // rectangle, less those of the pairs, plus that of the three together.
    double area = 0.0;
    for (size_t i = 0; i < polygons.size(); ++i) {
        Intersect(*polygons[i], rectangle_, inRectangle_[i]);
        const double alone = SignedArea(inRectangle_[i]);
        if (alone >= whole) return whole;  // one covers it all
        area += alone;
    }
    for (size_t i = 0; i < polygons.size(); ++i) {
        for (size_t j = i + 1; j < polygons.size(); ++j) {
            Intersect(inRectangle_[i], *polygons[j], pair_);
            area -= SignedArea(pair_);
            if (polygons.size() == kMostPolygons && i == 0 && j == 1) {
                Intersect(pair_, *polygons[2], triple_);
                area += SignedArea(triple_);
            }
        }
    }
    return area;
}

}  // namespace kz7::app
