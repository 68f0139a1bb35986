#include "ShadingPolygons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "PlanarGeometry.h"

namespace kz7::app {

namespace {

namespace bg = boost::geometry;
using planar::Point;
using planar::Polygon;

constexpr double kFlatness = 0.01;     // m a point may stand off the polygon's plane
constexpr double kLeastArea = 1e-6;    // m²
// A corner that turns by less than this (rad) either way is a straight run.
constexpr double kStraight = 1e-9;

// A polygon's own plane: two unit axes in it from its first point.
struct PolygonFrame {
    Vec3 origin, e1, e2, normal;

    Point In(const Vec3& p) const { return {Dot(p - origin, e1), Dot(p - origin, e2)}; }
    Vec3 Out(const Point& q) const { return origin + q.x() * e1 + q.y() * e2; }
};

// Twice the area times the unit normal (Newell's method).
Vec3 AreaNormal(const std::vector<Vec3>& points) {
    Vec3 sum;
    for (size_t i = 0; i < points.size(); ++i) {
        const Vec3& a = points[i];
        const Vec3& b = points[(i + 1) % points.size()];
        sum = sum + Cross(a, b);
    }
    return sum;
}

PolygonFrame FrameOf(const std::vector<Vec3>& points) {
    PolygonFrame frame;
    frame.origin = points.front();
    frame.normal = (1.0 / Length(AreaNormal(points))) * AreaNormal(points);
    // The longest edge from the first point sets the first axis.
    Vec3 along;
    for (const Vec3& p : points)
        if (Length(p - frame.origin) > Length(along)) along = p - frame.origin;
    frame.e1 = (1.0 / Length(along)) * along;
    frame.e2 = Cross(frame.normal, frame.e1);
    return frame;
}

Polygon InFrame(const PolygonFrame& frame, const std::vector<Vec3>& points) {
    Polygon polygon;
    for (const Vec3& p : points) polygon.outer().push_back(frame.In(p));
    polygon.outer().push_back(polygon.outer().front());
    bg::correct(polygon);
    return polygon;
}

}  // namespace

std::string PolygonProblem(const std::vector<Vec3>& points) {
    if (points.size() < 3) return "a polygon needs at least three points";
    if (Length(AreaNormal(points)) / 2.0 < kLeastArea) return "the polygon has no area";
    const PolygonFrame frame = FrameOf(points);
    for (const Vec3& p : points)
        if (std::abs(Dot(p - frame.origin, frame.normal)) > kFlatness)
            return "the polygon is not flat (its points stand more than 1 cm off one plane)";
    if (!bg::is_valid(InFrame(frame, points))) return "the polygon's edges cross or repeat";
    return {};
}

bool IsConvex(const std::vector<Vec3>& points) {
    std::vector<Vec3> corners;
    for (const Vec3& p : points)
        if (corners.empty() || Length(p - corners.back()) > 0.0) corners.push_back(p);
    while (corners.size() > 1 && Length(corners.front() - corners.back()) == 0.0) corners.pop_back();
    const Vec3 normal = corners.size() < 3 ? Vec3{} : AreaNormal(corners);
    if (Length(normal) == 0.0) return false;
    const Vec3 unit = (1.0 / Length(normal)) * normal;
    double turned = 0.0;
    for (size_t i = 0, n = corners.size(); i < n; ++i) {
        const Vec3 in = corners[i] - corners[(i + n - 1) % n];
        const Vec3 out = corners[(i + 1) % n] - corners[i];
        const double turn = std::atan2(Dot(Cross(in, out), unit), Dot(in, out));
        if (turn < -kStraight || turn > std::numbers::pi - kStraight) return false;
        turned += turn;
    }
    // A convex polygon turns once round; one wound twice, twice.
    return std::abs(turned - 2.0 * std::numbers::pi) < 1e-6;
}

std::vector<std::vector<Vec3>> InFrontOfPlane(const std::vector<Vec3>& points) {
    const auto [low, high] = std::minmax_element(
        points.begin(), points.end(), [](const Vec3& a, const Vec3& b) { return a.z < b.z; });
    if (low->z >= 0.0) return {points};
    if (high->z <= 0.0) return {};

    // In the polygon's own plane, the front of the shaded plane is a half-plane
    // w0 + g·q ≥ 0; a rectangle reaching beyond the polygon stands for it.
    const PolygonFrame frame = FrameOf(points);
    const Point g(frame.e1.z, frame.e2.z);
    const double gLength = std::hypot(g.x(), g.y());
    const Point toFront(g.x() / gLength, g.y() / gLength);
    const Point along(-toFront.y(), toFront.x());
    const double shift = -frame.origin.z / gLength;
    const Point onEdge(toFront.x() * shift, toFront.y() * shift);
    double reach = std::abs(shift) + 1.0;
    for (const Vec3& p : points) reach += Length(p - frame.origin);
    auto at = [&](double a, double f) {
        return Point(onEdge.x() + a * along.x() + f * toFront.x(),
                     onEdge.y() + a * along.y() + f * toFront.y());
    };
    Polygon front;
    front.outer() = {at(-reach, 0.0), at(reach, 0.0), at(reach, reach), at(-reach, reach),
                     at(-reach, 0.0)};
    bg::correct(front);

    planar::MultiPolygon pieces;
    bg::intersection(InFrame(frame, points), front, pieces);
    std::vector<std::vector<Vec3>> result;
    for (const Polygon& piece : pieces) {
        std::vector<Vec3> cut;
        const auto& ring = piece.outer();
        for (size_t i = 0; i + 1 < ring.size(); ++i) {  // the ring repeats its first point
            Vec3 p = frame.Out(ring[i]);
            p.z = std::max(p.z, 0.0);  // points on the cut lie in the plane
            cut.push_back(p);
        }
        result.push_back(std::move(cut));
    }
    return result;
}

}  // namespace kz7::app
