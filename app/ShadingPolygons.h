#pragma once
// Checks and cuts of the planar polygons that shade a plane.
#include <string>
#include <vector>

#include "ShadingPlane.h"

namespace kz7::app {

// Why `points` is no usable shading polygon: fewer than three points, not
// flat (a point more than 1 cm off its plane), no area, or edges that cross.
// Empty when it is usable.
std::string PolygonProblem(const std::vector<Vec3>& points);

// Whether `points` is convex in its own plane: going round it, every corner
// turns the same way, and they turn once round in all. A point in line with
// its neighbours (to 10⁻⁹ rad) counts as no corner, and a repeated point is
// skipped. The shadow of a convex polygon is convex.
bool IsConvex(const std::vector<Vec3>& points);

// The parts of a usable polygon, given in a plane's frame (u, v, w), that lie
// in front of that plane (w ≥ 0). Only they can shade it.
std::vector<std::vector<Vec3>> InFrontOfPlane(const std::vector<Vec3>& points);

}  // namespace kz7::app
