#pragma once
// The area a few convex shadows cover of a window's rectangle, in closed form.
//
// Why this exists: Clipper's integer cut of a window by its shadows costs
// about 12,000 instructions, and on the annual 10-minute run of 100 zones,
// each window under an overhang and two fins, shading added some 16 % to the
// processor time with those cuts its largest part, against a goal of 10 %;
// trimming the work around Clipper could not close the gap. Overhangs, fins
// and most other shading surfaces are convex, and so are their shadows (a
// parallel projection of a flat convex polygon). For up to three of them the
// covered area follows by inclusion and exclusion from the areas of their
// intersections, and the intersection of convex polygons is found exactly by
// cutting one with the half-planes of the other's edges (Sutherland–Hodgman,
// exact for a convex subject and a convex clip polygon), at a few hundred
// instructions a window.
//
// In doubles each crossing point is interpolated from the kept point, so it
// strays from the exact one by a few rounding steps of the distance covered,
// and the area by about 10⁻¹⁵ of the window's for shadows near it; far-reaching
// shadows of a low sun keep well within 10⁻⁹ of it (checked against Clipper).
#include <array>
#include <span>
#include <vector>

namespace kz7::app {

struct PlanePoint {
    double x = 0.0, y = 0.0;
};

// A polygon by its corners in order.
using PlanePolygon = std::vector<PlanePoint>;

// The area of a polygon by the shoelace formula, positive counter-clockwise,
// taken about its first point so that far-off polygons keep their digits.
double SignedArea(const PlanePolygon& polygon);

class ConvexClip {
  public:
    static constexpr size_t kMostPolygons = 3;

    // The area of the union of `polygons` within the rectangle 0–width ×
    // 0–height. They are at most kMostPolygons, each convex and
    // counter-clockwise (points in line or repeated do no harm). It cuts in
    // buffers it keeps from call to call.
    double CoveredArea(std::span<const PlanePolygon* const> polygons, double width, double height);

  private:
    // The part of the convex `in` within the convex, counter-clockwise `clip`,
    // into `out`.
    void Intersect(const PlanePolygon& in, const PlanePolygon& clip, PlanePolygon& out);

    PlanePolygon rectangle_;
    std::array<PlanePolygon, kMostPolygons> inRectangle_;  // each polygon within the rectangle
    PlanePolygon pair_, triple_, spare_;
};

}  // namespace kz7::app
