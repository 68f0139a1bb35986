#pragma once
// The straight line through two points, evaluated at x. Equal abscissas give
// a flat line at the mean of the two ordinates.

namespace kz7 {

inline double StraightLine(double x1, double y1, double x2, double y2, double x) {
    const double slope = x2 == x1 ? 0.0 : (y2 - y1) / (x2 - x1);
    const double intercept = ((y1 + y2) - (x1 + x2) * slope) / 2.0;
    return slope * x + intercept;
}

}  // namespace kz7
