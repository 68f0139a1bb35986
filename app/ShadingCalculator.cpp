#include "ShadingCalculator.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cmath>

#include <clipper.hpp>

#include "ConvexClip.h"
#include "ShadingPolygons.h"

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
// The closed form's rounding moves the covered area by some 10⁻¹⁵ of the
// window's; a share within this of 0 or 1 is taken as exactly dark or lit, as
// Clipper's integer cut and the cover proofs before it find such a window.
constexpr double kResolvedShare = 1e-12;
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

// The largest coordinate, of a shadow or of the rectangle, for which
// CoveredTogether is exact. With every coordinate within M, an edge line has
// |b|, |c| <= 2M and |a| <= 2M²; along a side, |alpha| <= 4M² and
// |gamma| <= 2M, so a crossing's test products stay within 16M³: below 2^127
// for M = 2^40, some 1.1 km in nanometres: the shadows of low suns, which
// leave the window in Clipper's 64-bit range, mostly stay within it.
constexpr cl::cInt kCoverReach = cl::cInt{1} << 40;

// The rectangle's corners, as bits of a set.
constexpr unsigned kBottomLeft = 1, kBottomRight = 2, kTopRight = 4, kTopLeft = 8;
constexpr unsigned kAllCorners = kBottomLeft | kBottomRight | kTopRight | kTopLeft;

// The line through a shadow's edge from p to q, as a + b·x + c·y: positive
// left of the edge (inside a shadow turning counter-clockwise), 0 on it. In
// 128 bits, exact for any coordinates Clipper takes.
struct EdgeLine {
    __int128 a;
    cl::cInt b, c;

    EdgeLine(const cl::IntPoint& p, const cl::IntPoint& q)
        : a(static_cast<__int128>(p.X) * q.Y - static_cast<__int128>(p.Y) * q.X),
          b(p.Y - q.Y),
          c(q.X - p.X) {}
    __int128 At(cl::cInt x, cl::cInt y) const {
        return a + static_cast<__int128>(b) * x + static_cast<__int128>(c) * y;
    }
};

// One side of the rectangle: the points (x, y) = (x0, t) or (t, y0) for
// 0 ≤ t ≤ length.
struct Side {
    bool upright;  // x fixed
    cl::cInt fixed, length;

    // A line along the side, as alpha + gamma·t.
    std::pair<__int128, __int128> Along(const EdgeLine& line) const {
        return upright
                   ? std::pair{line.a + static_cast<__int128>(line.b) * fixed, __int128{line.c}}
                   : std::pair{line.a + static_cast<__int128>(line.c) * fixed, __int128{line.b}};
    }
};

// A shadow that reaches the rectangle, turned counter-clockwise, with its
// bounds, its edges and the rectangle's corners it holds.
struct Shadow {
    cl::Path path;
    cl::cInt left = 0, bottom = 0, right = 0, top = 0;
    std::vector<EdgeLine> edges;  // from each point to the next
    unsigned corners = 0;

    // Takes the edges of `path` and finds the corners of the rectangle
    // 0–width × 0–height the shadow holds.
    void HoldCorners(cl::cInt width, cl::cInt height) {
        edges.clear();
        for (size_t i = 0, last = path.size() - 1; i < path.size(); last = i++)
            edges.emplace_back(path[last], path[i]);
        corners = 0;
        if (left <= 0 && bottom <= 0 && Holds(0, 0)) corners |= kBottomLeft;
        if (right >= width && bottom <= 0 && Holds(width, 0)) corners |= kBottomRight;
        if (right >= width && top >= height && Holds(width, height)) corners |= kTopRight;
        if (left <= 0 && top >= height && Holds(0, height)) corners |= kTopLeft;
    }
    // Whether (x, y) lies left of or on every edge. Such a point lies in the
    // shadow, whatever its shape, and so does every point between such points.
    // (Here and below a plain loop: the compiler kept std::all_of out of line.)
    bool Holds(cl::cInt x, cl::cInt y) const {
        for (const EdgeLine& edge : edges)
            if (edge.At(x, y) < 0) return false;
        return true;
    }
    // Whether every coordinate lies within kCoverReach, where the products
    // of CoveredTogether stay within 128 bits.
    bool Near() const {
        return left >= -kCoverReach && bottom >= -kCoverReach && right <= kCoverReach &&
               top <= kCoverReach;
    }
    // Whether the point of `side` where `line` crosses it lies left of or on
    // every edge.
    bool HoldsCrossing(const Side& side, const EdgeLine& line) const {
        const auto [alpha, gamma] = side.Along(line);
        // Where alpha + gamma·t is 0, each edge's own alpha' + gamma'·t has
        // the sign of (alpha'·gamma − gamma'·alpha)·gamma.
        for (const EdgeLine& edge : edges) {
            const auto [edgeAlpha, edgeGamma] = side.Along(edge);
            const __int128 scaled = edgeAlpha * gamma - edgeGamma * alpha;
            if (gamma > 0 ? scaled < 0 : scaled > 0) return false;
        }
        return true;
    }
};

// Whether shadows `a` and `b` together cover the rectangle 0–width × 0–height,
// so that it is dark. Every point outside `a` lies right of one of its edges,
// so they do exactly when, for each edge of `a`, the part of the rectangle on
// or right of its line lies in `b`: when the corners of that part do, the
// rectangle's corners there and the points where the line crosses its sides.
// Both must lie within kCoverReach (Near).
bool CoveredTogether(const Shadow& a, const Shadow& b, cl::cInt width, cl::cInt height) {
    if ((a.corners | b.corners) != kAllCorners) return false;  // a corner in neither
    // Each corner with its bit: whether `b` holds it is already known.
    const std::array<std::pair<cl::IntPoint, unsigned>, 4> corners{{{{0, 0}, kBottomLeft},
                                                                    {{width, 0}, kBottomRight},
                                                                    {{width, height}, kTopRight},
                                                                    {{0, height}, kTopLeft}}};
    // Each side with the bits of its ends: when `b` holds both, it holds the
    // whole side, crossing points and all.
    const std::array<std::pair<Side, unsigned>, 4> sides{
        {{{true, 0, height}, kBottomLeft | kTopLeft},
         {{true, width, height}, kBottomRight | kTopRight},
         {{false, 0, width}, kBottomLeft | kBottomRight},
         {{false, height, width}, kTopLeft | kTopRight}}};
    for (const EdgeLine& line : a.edges) {
        for (const auto& [corner, bit] : corners)
            if ((b.corners & bit) == 0 && line.At(corner.X, corner.Y) <= 0) return false;
        for (const auto& [side, ends] : sides) {
            if ((b.corners & ends) == ends) continue;
            const auto [alpha, gamma] = side.Along(line);
            // No crossing point, or one at a corner, adds nothing to the corners.
            if (gamma == 0) continue;
            const __int128 length =
                static_cast<__int128>(side.length) * (gamma > 0 ? gamma : -gamma);
            const __int128 at = gamma > 0 ? -alpha : alpha;  // t·|gamma| where the line crosses
            if (at <= 0 || at >= length) continue;
            if (!b.HoldsCrossing(side, line)) return false;
        }
    }
    return true;
}

}  // namespace

struct ShadingCalculator::Scratch {
    std::vector<PlanePolygon> projected;  // the shadow of each surface, m
    std::vector<PlanePolygon*> convex;  // those to cut in closed form
    ConvexClip convexClip;
    cl::Clipper clipper;
    std::vector<Shadow> shadows;  // the first `count` are those of the last cut
    size_t count = 0;
    cl::Path rectangle = cl::Path(4);
    cl::Paths lit;

    // Whether two of the shadows of the last cut together leave the
    // rectangle dark. Each pair is tried one way round: for convex shadows
    // CoveredTogether holds both ways round or neither, and a shadow that
    // rounding to the unit left a little short of convex can only make it fail.
    bool DarkByTwo(cl::cInt width, cl::cInt height) const {
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j)
                if (shadows[i].Near() && shadows[j].Near() &&
                    CoveredTogether(shadows[i], shadows[j], width, height))
                    return true;
        return false;
    }
};

ShadingCalculator::ShadingCalculator(const ShadingPlane& plane, double skyShare)
    : width_(plane.Width()),
      height_(plane.Height()),
      skyShare_(skyShare),
      scratch_(std::make_unique<Scratch>()) {
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

std::optional<double> ShadingCalculator::Share(const Vec3& sun, Cut cut) const {
    if (sun.z < kGrazing) return 0.0;
    const double du = sun.x / sun.z, dv = sun.y / sun.z;
    // A direction that is not a number places no shadow: unshaded, as the
    // engine takes a factor it cannot use.
    if (!std::isfinite(du) || !std::isfinite(dv)) return 1.0;
    Project(du, dv);
    if (cut != Cut::ByClipper) {
        const std::optional<double> share = ConvexShare();
        if (share || cut == Cut::ClosedForm) return share;
    }
    // No coordinate, of the rectangle or of a shadow, is larger than this.
    const double reach = std::max({width_, height_, reachInPlane_ + reachOut_ * std::max(std::abs(du), std::abs(dv))});
    return ClipperShare(cut == Cut::Fastest ? UnitsPerMetre(reach) : kLargestCoordinate / reach);
}

void ShadingCalculator::Project(double du, double dv) const {
    std::vector<PlanePolygon>& projected = scratch_->projected;
    projected.resize(surfaces_.size());
    for (size_t s = 0; s < surfaces_.size(); ++s) {
        projected[s].clear();
        for (const Vec3& p : surfaces_[s].points)
            projected[s].push_back({p.x - p.z * du, p.y - p.z * dv});
    }
}

std::optional<double> ShadingCalculator::ConvexShare() const {
    Scratch& scratch = *scratch_;
    scratch.convex.clear();
    std::array<bool, ConvexClip::kMostPolygons> clockwise{};
    for (size_t s = 0; s < surfaces_.size(); ++s) {
        PlanePolygon& shadow = scratch.projected[s];
        double left = width_, bottom = height_, right = 0.0, top = 0.0;
        for (const PlanePoint& q : shadow) {
            left = std::min(left, q.x), right = std::max(right, q.x);
            bottom = std::min(bottom, q.y), top = std::max(top, q.y);
        }
        // A shadow clear of the rectangle, or with no area, takes nothing.
        if (!(left < width_ && right > 0.0 && bottom < height_ && top > 0.0)) continue;
        if (!surfaces_[s].convex) return std::nullopt;
        const double area = SignedArea(shadow);
        if (std::abs(area) < kNoArea) continue;
        if (scratch.convex.size() == ConvexClip::kMostPolygons) return std::nullopt;
        clockwise[scratch.convex.size()] = area < 0.0;
        scratch.convex.push_back(&shadow);
    }
    if (scratch.convex.empty()) return 1.0;
    // All counter-clockwise, as the closed form takes them.
    for (size_t i = 0; i < scratch.convex.size(); ++i)
        if (clockwise[i]) std::reverse(scratch.convex[i]->begin(), scratch.convex[i]->end());
    const double share =
        1.0 - scratch.convexClip.CoveredArea(scratch.convex, width_, height_) / (width_ * height_);
    if (share < kResolvedShare) return 0.0;
    return share > 1.0 - kResolvedShare ? 1.0 : share;
}

double ShadingCalculator::ClipperShare(double scale) const {
    // Rounded to the nearest unit, halves away from zero (kept inline: this
    // runs for every point of every shadow).
    const auto units = [scale](double metres) {
        const double v = metres * scale;
        return static_cast<cl::cInt>(v < 0.0 ? v - 0.5 : v + 0.5);
    };
    const cl::cInt right = units(width_), top = units(height_);

    // The shadows that reach the rectangle; one over every corner, or two
    // that cover it together, leave nothing lit.
    Scratch& scratch = *scratch_;
    scratch.count = 0;
    for (const PlanePolygon& projected : scratch.projected) {
        if (scratch.shadows.size() == scratch.count) scratch.shadows.emplace_back();
        Shadow& shadow = scratch.shadows[scratch.count];
        shadow.path.clear();
        shadow.left = right, shadow.bottom = top, shadow.right = 0, shadow.top = 0;
        for (const PlanePoint& p : projected) {
            const cl::IntPoint& q = shadow.path.emplace_back(units(p.x), units(p.y));
            shadow.left = std::min(shadow.left, q.X), shadow.right = std::max(shadow.right, q.X);
            shadow.bottom = std::min(shadow.bottom, q.Y), shadow.top = std::max(shadow.top, q.Y);
        }
        // A shadow clear of the rectangle, or with no area, takes nothing.
        if (!(shadow.left < right && shadow.right > 0 && shadow.bottom < top && shadow.top > 0))
            continue;
        const double area = cl::Area(shadow.path);
        if (std::abs(area) < kNoArea * scale * scale) continue;
        // All turning the same way, so that where shadows overlap they add up.
        if (area < 0.0) cl::ReversePath(shadow.path);
        shadow.HoldCorners(right, top);
        if (shadow.corners == kAllCorners) return 0.0;
        ++scratch.count;
    }
    if (scratch.count == 0) return 1.0;
    if (scratch.count > 1 && scratch.DarkByTwo(right, top)) return 0.0;

    // What the sun still reaches: the rectangle less the union of the shadows,
    // in one sweep.
    cl::Clipper& clipper = scratch.clipper;
    clipper.Clear();
    for (size_t i = 0; i < scratch.count; ++i)
        clipper.AddPath(scratch.shadows[i].path, cl::ptClip, true);
    cl::Path& rectangle = scratch.rectangle;
    rectangle[0] = {0, 0}, rectangle[1] = {right, 0}, rectangle[2] = {right, top}, rectangle[3] = {0, top};
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
