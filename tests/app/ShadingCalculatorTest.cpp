// Sunlit and sky shares of shaded planes against geometry with known answers,
// and against rays cast from points of the window towards the sun.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "ShadingCalculator.h"
#include "ShadingPolygons.h"

namespace kz7::app {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A south-facing window `width` × `height` whose bottom-left corner is the origin.
ShadingPlane SouthWindow(double width, double height) {
    return ShadingPlane::Facing(1, 180.0, 90.0, width, height, {});
}

// The sun at `altitude` and `azimuth` (degrees) in the plane's frame.
Vec3 Sun(const ShadingPlane& plane, double altitude, double azimuth) {
    return plane.DirectionToLocal(SunDirection(altitude * kDegree, azimuth * kDegree));
}

// A horizontal overhang (plane frame) over the whole width plus `extension` each side.
ShadingSurface Overhang(const ShadingPlane& plane, double depth, double gap, double extension) {
    const double v = plane.Height() + gap, left = -extension, right = plane.Width() + extension;
    return {"overhang", 0, {{left, v, 0}, {right, v, 0}, {right, v, depth}, {left, v, depth}}};
}

TEST(ShadingCalculatorTest, LongOverhangShadesDepthTimesTanOfProfileLessTheGap) {
    ShadingPlane plane = SouthWindow(2.0, 2.0);
    const double depth = 1.0, gap = 0.5;
    plane.surfaces.push_back(Overhang(plane, depth, gap, 1000.0));
    const ShadingCalculator calculator(plane);
    for (const double altitude : {10.0, 30.0, 45.0, 60.0, 80.0}) {
        for (const double offSouth : {0.0, 25.0, -50.0}) {
            const double profile =
                std::tan(altitude * kDegree) / std::cos(offSouth * kDegree);
            const double shaded = std::clamp(depth * profile - gap, 0.0, plane.Height());
            EXPECT_NEAR(calculator.SunlitShare(Sun(plane, altitude, 180.0 + offSouth)),
                        1.0 - shaded / plane.Height(), 1e-9)
                << altitude << "° up, " << offSouth << "° off south";
        }
    }
    // Sky share of a long overhang: the view factor of an infinitely long strip
    // averaged over the window, sqrt((g+H)²+D²) − sqrt(g²+D²) over H.
    const double expected =
        (std::hypot(gap + 2.0, depth) - std::hypot(gap, depth)) / plane.Height();
    EXPECT_NEAR(calculator.SkyShare(), expected, 0.005);
    EXPECT_EQ(ShadingCalculator(SouthWindow(2.0, 2.0)).SkyShare(), 1.0);
}

TEST(ShadingCalculatorTest, FinsSunBehindAndSurfacesThatShadeAllOrNothing) {
    ShadingPlane finned = SouthWindow(2.0, 2.0);
    finned.surfaces.push_back({"fin", 0, {{0, -1, 0}, {0, 3, 0}, {0, 3, 1}, {0, -1, 1}}});
    const ShadingCalculator fin(finned);
    // Sun in the fin's own plane: an edge-on fin casts no area.
    EXPECT_EQ(fin.SunlitShare(Sun(finned, 40.0, 180.0)), 1.0);
    // From 45° west of south (low) the fin at the left edge shades one metre.
    EXPECT_NEAR(fin.SunlitShare(Sun(finned, 5.0, 225.0)), 0.5, 1e-9);
    // Sun along the wall, and behind it: no sun reaches the window at all.
    EXPECT_EQ(fin.SunlitShare(Sun(finned, 30.0, 90.0)), 0.0);
    EXPECT_EQ(fin.SunlitShare(Sun(finned, 30.0, 0.0)), 0.0);
    EXPECT_TRUE(std::isfinite(fin.SunlitShare(Sun(finned, 30.0, 90.0 + 1e-6))));
    EXPECT_EQ(fin.SunlitShare({std::nan(""), 0.5, 0.5}), 1.0);

    // A screen 1 m out, much larger than the window, covers it from every sun.
    ShadingPlane screened = SouthWindow(2.0, 2.0);
    screened.surfaces.push_back({"screen", 0, {{-50, -50, 1}, {50, -50, 1}, {50, 50, 1}, {-50, 50, 1}}});
    const ShadingCalculator screen(screened);
    for (const double azimuth : {130.0, 180.0, 240.0})
        EXPECT_EQ(screen.SunlitShare(Sun(screened, 35.0, azimuth)), 0.0);
    EXPECT_LT(screen.SkyShare(), 0.1);

    // A canopy beyond the window's side never shades it in the morning sun.
    ShadingPlane aside = SouthWindow(2.0, 2.0);
    aside.surfaces.push_back({"aside", 0, {{-10, 2, 0}, {-8, 2, 0}, {-8, 2, 2}, {-10, 2, 2}}});
    EXPECT_EQ(ShadingCalculator(aside).SunlitShare(Sun(aside, 30.0, 120.0)), 1.0);
    // A plate 100 km deep under a sun all but along the wall throws its shadow
    // 5·10⁹ m down, beyond what nanometre coordinates can hold: still cut,
    // leaving the window's upper half lit.
    ShadingPlane plated = SouthWindow(2.0, 2.0);
    plated.surfaces.push_back({"plate", 0, {{-1, 1, 0}, {3, 1, 0}, {1, 1, 1e5}}});
    EXPECT_NEAR(ShadingCalculator(plated, 1.0).SunlitShare({0.0, 1.0, 2e-5}), 0.5, 1e-6);
    // A polygon behind the plane keeps nothing in front of it.
    EXPECT_TRUE(InFrontOfPlane({{0, 0, -1}, {1, 0, -1}, {1, 1, -2}}).empty());
}

TEST(ShadingCalculatorTest, OverhangRestingOnFinsLeavesNothingLitUnderAHighSun) {
    // The overhang's and the left fin's shadows share edges; joining them once
    // left a sliver of the window lit where every ray meets a surface.
    ShadingPlane plane = ShadingPlane::Facing(1, 0.0, 90.0, 3.0, 2.0, {});
    const double depth = 0.53;
    plane.surfaces.push_back(Overhang(plane, depth, 0.5, 0.5));
    for (const double u : {-0.2, 3.2})
        plane.surfaces.push_back(
            {"fin", 0, {{u, -0.2, 0}, {u, 2.5, 0}, {u, 2.5, depth}, {u, -0.2, depth}}});
    EXPECT_NEAR(ShadingCalculator(plane).SunlitShare(Sun(plane, 72.37, 54.61)), 0.0, 1e-9);
}

TEST(ShadingCalculatorTest, TwoShadowsDarkenTheWindowOnlyWhereTheyCoverItTogether) {
    // Screens 1 m out under the sun straight ahead: each shadow is its screen.
    const Vec3 ahead{0.0, 0.0, 1.0};
    const auto share = [&ahead](std::vector<std::vector<Vec3>> screens) {
        ShadingPlane plane = SouthWindow(2.0, 2.0);
        for (auto& points : screens) plane.surfaces.push_back({"screen", 0, std::move(points)});
        return ShadingCalculator(plane, 1.0).SunlitShare(ahead);
    };
    const std::vector<Vec3> below{{-1, -1, 1}, {3, -1, 1}, {3, 3, 1}};
    // Two triangles meeting on the diagonal leave nothing lit...
    EXPECT_EQ(share({below, {{-1, -1, 1}, {3, 3, 1}, {-1, 3, 1}}}), 0.0);
    // ...and one moved up by g leaves a strip of 2g − g²/2 of the 4 m² lit.
    const double g = 0.01;
    EXPECT_NEAR(share({below, {{-1, -1 + g, 1}, {3, 3 + g, 1}, {-1, 3 + g, 1}}}),
                (2 * g - g * g / 2) / 4, 1e-9);
    // Triangles reaching r metres past the window, in nanometres on either
    // side of the cover proof's reach (2^40 nm, 1.1 km), meeting on the line
    // x + y = 3 across two sides: dark, or a strip of g − g²/2 lit.
    for (const double r : {500.0, 1200.0, 1e5}) {
        const std::vector<Vec3> lower{{-r, -r, 1}, {3 + r, -r, 1}, {-r, 3 + r, 1}};
        for (const double gap : {0.0, g}) {
            const double s = 3 + gap;
            EXPECT_NEAR(share({lower, {{s + r, -r, 1}, {s + r, s + r, 1}, {-r, s + r, 1}}}),
                        (gap - gap * gap / 2) / 4, 1e-9)
                << "reach " << r << ", gap " << gap;
        }
    }
    // Between them they hold every corner, yet a band across the middle
    // (x + y from 2.2 to 3.7) stays lit.
    EXPECT_NEAR(share({{{-0.1, -0.1, 1}, {2.3, -0.1, 1}, {-0.1, 2.3, 1}},
                       {{2.2, 2.2, 1}, {1.5, 2.2, 1}, {2.2, 1.5, 1}}}),
                (4.0 - 2.38 - 0.045) / 4.0, 1e-9);
}

// A parallelogram from `corner` along `a` and `b`: flat and convex.
ShadingSurface Parallelogram(const Vec3& corner, const Vec3& a, const Vec3& b) {
    return {"parallelogram", 0, {corner, corner + a, corner + a + b, corner + b}};
}

// A fin at right angles to the plane at u, `depth` deep, from v0 to v1.
ShadingSurface Fin(double u, double v0, double v1, double depth) {
    return {"fin", 0, {{u, v0, 0}, {u, v1, 0}, {u, v1, depth}, {u, v0, depth}}};
}

TEST(ShadingCalculatorTest, ClosedFormAgreesWithClipperForFewConvexShadows) {
    const ShadingPlane window = ShadingPlane::Facing(1, 180.0, 90.0, 3.0, 2.0, {});
    auto with = [&window](std::vector<ShadingSurface> surfaces) {
        ShadingPlane plane = window;
        plane.surfaces = std::move(surfaces);
        return plane;
    };
    const std::vector<ShadingPlane> planes{
        // An overhang and two fins clear of the window's edges.
        with({Overhang(window, 1.0, 0.5, 0.5), Fin(-0.2, -0.2, 2.5, 1.0), Fin(3.2, -0.2, 2.5, 1.0)}),
        // The same flush with its edges: shadow edges on its sides and corners
        // under every sun, and edge-on fins and overhang below.
        with({Overhang(window, 0.8, 0.0, 0.0), Fin(0.0, 0.0, 2.0, 0.8), Fin(3.0, 0.0, 2.0, 0.8)}),
        // Three tilted parallelograms whose shadows overlap.
        with({Parallelogram({-0.5, 0.3, 0.2}, {2.5, 0.4, 0.6}, {0.3, 1.2, -0.1}),
              Parallelogram({1.0, -0.4, 0.9}, {1.8, 0.9, -0.5}, {-0.4, 1.6, 0.3}),
              Parallelogram({0.4, 1.0, 0.5}, {1.5, -0.2, 0.0}, {0.2, 1.5, 0.8})}),
        // A screen that covers the window for most suns, and a fin.
        with({Parallelogram({-4.0, -4.0, 0.5}, {11.0, 0.0, 0.0}, {0.0, 10.0, 0.0}),
              Fin(1.5, -1.0, 3.0, 0.7)}),
        // A plate lying in the plane, touching the window's top-right corner
        // from outside, with an overhang: touching shadows.
        with({Parallelogram({3.0, 2.0, 0.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}),
              Overhang(window, 0.6, 0.0, 1.0)}),
    };
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (size_t g = 0; g < planes.size(); ++g) {
        const ShadingCalculator calculator(planes[g], 1.0);
        for (int trial = 0; trial < 1000; ++trial) {
            // Suns in front of the plane down to nearly grazing it; every
            // fifth in the fins' planes and every seventh in the overhang's.
            const double out = 1e-3 + unit(random), around = 2.0 * std::numbers::pi * unit(random);
            Vec3 sun{std::cos(around), std::sin(around), out};
            if (trial % 5 == 0) sun.x = 0.0;
            if (trial % 7 == 0) sun.y = 0.0;
            sun = (1.0 / Length(sun)) * sun;
            const std::optional<double> closed = calculator.SunlitShareInClosedForm(sun);
            ASSERT_TRUE(closed.has_value()) << "geometry " << g << ", trial " << trial;
            EXPECT_NEAR(*closed, calculator.SunlitShareByClipper(sun), 1e-9)
                << "geometry " << g << ", sun " << sun.x << ", " << sun.y << ", " << sun.z;
        }
    }
}

TEST(ShadingCalculatorTest, NonConvexOrManyShadowsAreCutByClipper) {
    EXPECT_TRUE(IsConvex({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 1, 0}, {0, 1, 0}}));
    EXPECT_FALSE(IsConvex({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},  // wound twice
                           {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    // An L-shaped screen over the window's left and bottom, and a square one
    // in its notch overlapping both arms, under the sun straight ahead: taken
    // as convex, the L would cut the square by the lines of its inner corner.
    ShadingPlane plane = SouthWindow(2.0, 2.0);
    plane.surfaces.push_back(
        {"L", 0, {{-1, -1, 1}, {3, -1, 1}, {3, 0.5, 1}, {0.5, 0.5, 1}, {0.5, 3, 1}, {-1, 3, 1}}});
    plane.surfaces.push_back(
        {"square", 0, {{0.25, 0.25, 1}, {1.25, 0.25, 1}, {1.25, 1.25, 1}, {0.25, 1.25, 1}}});
    const ShadingCalculator calculator(plane, 1.0);
    const Vec3 ahead{0.0, 0.0, 1.0};
    EXPECT_FALSE(calculator.SunlitShareInClosedForm(ahead).has_value());
    // Lit: the window less the L's arms (1.75 m²) and the square's part
    // beyond them (0.5625 m²).
    EXPECT_NEAR(calculator.SunlitShare(ahead), (4.0 - 1.75 - 0.5625) / 4.0, 1e-9);
    // Four convex shadows on the window are more than the closed form takes.
    ShadingPlane four = SouthWindow(2.0, 2.0);
    for (const double u : {0.4, 0.8, 1.2, 1.6}) four.surfaces.push_back(Fin(u, -1.0, 3.0, 0.3));
    const Vec3 west = (1.0 / std::sqrt(2.0)) * Vec3{1.0, 0.0, 1.0};
    const ShadingCalculator fins(four, 1.0);
    EXPECT_FALSE(fins.SunlitShareInClosedForm(west).has_value());
    EXPECT_NEAR(fins.SunlitShare(west), 1.0 - 4 * 0.3 / 2.0, 1e-8);
}

// Whether a ray from `from` along `direction` meets the flat polygon `points`.
bool RayMeets(const Vec3& from, const Vec3& direction, const std::vector<Vec3>& points) {
    const Vec3 normal = Cross(points[1] - points[0], points[2] - points[0]);
    const double facing = Dot(normal, direction);
    if (std::abs(facing) < 1e-12) return false;
    const double t = Dot(normal, points[0] - from) / facing;
    if (t <= 0.0) return false;
    const Vec3 hit = from + t * direction;
    // Even-odd rule in the two axes the normal leaves widest.
    const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    auto flat = [&](const Vec3& p) {
        if (ax >= ay && ax >= az) return std::pair{p.y, p.z};
        if (ay >= az) return std::pair{p.x, p.z};
        return std::pair{p.x, p.y};
    };
    const auto [hx, hy] = flat(hit);
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const auto [xi, yi] = flat(points[i]);
        const auto [xj, yj] = flat(points[j]);
        if ((yi > hy) != (yj > hy) && hx < (xj - xi) * (hy - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

TEST(ShadingCalculatorTest, SunlitShareAgreesWithRaysFromTheWindowForRandomSurfaces) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> spread(-2.0, 4.0), out(0.1, 2.0), unit(0.0, 1.0);
    for (int trial = 0; trial < 40; ++trial) {
        ShadingPlane plane = ShadingPlane::Facing(1, 360.0 * unit(random), 90.0 * unit(random),
                                                  2.0, 1.5, {});
        std::vector<std::vector<Vec3>> quads;
        for (int s = 0; s < 3; ++s) {
            // A tilted quadrilateral, flat by construction, partly in front of the plane.
            const Vec3 corner{spread(random), spread(random), out(random) - 0.3};
            const Vec3 a{spread(random), spread(random), unit(random) - 0.5};
            const Vec3 b{spread(random), spread(random), unit(random) - 0.5};
            const std::vector<Vec3> quad{corner, corner + a, corner + a + b, corner + b};
            if (!PolygonProblem(quad).empty()) continue;
            quads.push_back(quad);
            for (const auto& piece : InFrontOfPlane(quad)) plane.surfaces.push_back({"", 0, piece});
        }
        const Vec3 sun = plane.DirectionToLocal(
            SunDirection((5.0 + 80.0 * unit(random)) * kDegree, 2.0 * std::numbers::pi * unit(random)));
        if (sun.z < 0.05) continue;
        constexpr int kPoints = 60;
        int lit = 0;
        for (int i = 0; i < kPoints; ++i) {
            for (int j = 0; j < kPoints; ++j) {
                const Vec3 from{(i + 0.5) / kPoints * 2.0, (j + 0.5) / kPoints * 1.5, 0.0};
                // Rays meet the whole quadrilaterals; only their parts in front
                // of the plane can lie on a ray that leaves it towards the sun.
                bool shaded = false;
                for (const auto& quad : quads) shaded = shaded || RayMeets(from, sun, quad);
                lit += shaded ? 0 : 1;
            }
        }
        EXPECT_NEAR(ShadingCalculator(plane).SunlitShare(sun), lit / double(kPoints * kPoints), 0.03)
            << "trial " << trial;
    }
}

}  // namespace
}  // namespace kz7::app
