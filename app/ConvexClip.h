#pragma once
// The area a few convex shadows cover of a window's rectangle, in closed form.
//
// Why this exists: cutting the shadows from the window with Clipper costs
// about 12,000 instructions a cut, and on the annual 10-minute run of 100
// zones, each window under an overhang and two fins, those cuts alone kept
// shading at some 16 % of the run's processor time against a goal of 10 %.
// Overhangs, fins and most other shading surfaces are convex, and so are
// their shadows (a parallel projection of a convex planar polygon). For up to
// three of them the covered area follows by inclusion and exclusion from the
// areas of their intersections, and the intersection of convex polygons is
// found exactly by cutting one with the half-planes of the others'
// (Sutherland–Hodgman, exact for a convex subject and a convex clip polygon).
// In doubles, with each crossing point interpolated from the kept point, the
// points stray from the exact ones by a few rounding steps of their own
// coordinates, so the area differs from the exact one by some 10⁻¹⁵ of the
// window's: far below the single-precision factor the engine takes.
#include <array>
#include <span>
#include <vector>

namespace kz7::app {

struct PlanePoint {
    double x = 0.0, y = 0.0;
};

// A convex polygon, counter-clockwise (collinear points and repeats allowed).
using ConvexPolygon = std::vector<PlanePoint>;

// The area of a polygon by the shoelace formula, positive counter-clockwise,
// taken about its first point so that far-off polygons keep their digits.
double SignedArea(const ConvexPolygon& polygon);

class ConvexClip {
  public:
    static constexpr size_t kMostPolygons = 3;

    // The area of the union of `polygons` (at most kMostPolygons, each convex
    // and counter-clockwise) within the rectangle 0–width × 0–height. It cuts
    // in buffers it keeps from call to call.
    double CoveredArea(std::span<const ConvexPolygon* const> polygons, double width, double height);

  private:
    // The part of `in` within `clip` (convex, counter-clockwise), into `out`.
    void Intersect(const ConvexPolygon& in, const ConvexPolygon& clip, ConvexPolygon& out);

    ConvexPolygon rectangle_;
    std::array<ConvexPolygon, kMostPolygons> inRectangle_;  // each polygon within the rectangle
    ConvexPolygon pair_, triple_, spare_;
    std::vector<double> sides_;  // of the points of a polygon being cut
};

}  // namespace kz7::app
