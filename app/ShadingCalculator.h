#pragma once
// The shading factors of one plane: the sunlit share of its receiving
// rectangle for a sun direction, and the share of the sky it still sees.
#include <memory>
#include <optional>
#include <vector>

#include "ShadingPlane.h"

namespace kz7::app {

class ShadingCalculator {
  public:
    // Takes the plane's rectangle and surfaces; works out the sky share at once.
    explicit ShadingCalculator(const ShadingPlane& plane);
    // The same with the sky share already known: that of a plane with the same
    // rectangle, surfaces and tilt of its frame (the horizon), whatever it faces.
    ShadingCalculator(const ShadingPlane& plane, double skyShare);
    ShadingCalculator(ShadingCalculator&&) noexcept;
    ShadingCalculator& operator=(ShadingCalculator&&) noexcept;
    ~ShadingCalculator();

    // The share of the rectangle the sun reaches, 0–1, for a direction towards
    // the sun in the plane's frame: each surface is projected along that
    // direction onto the plane, and the union of the shadows is cut to the
    // rectangle: in closed form (ConvexClip) when at most three shadows reach
    // it and all are convex, otherwise by Clipper. A sun behind the plane or
    // grazing it reaches nothing (0). It cuts in buffers the calculator keeps
    // from call to call: one thread at a time per calculator.
    double SunlitShare(const Vec3& sun) const { return *Share(sun, Cut::Fastest); }
    // For checking one cut against the other: the share in closed form, or
    // nothing when the shadows on the rectangle are not few and convex; and
    // the share always cut by Clipper, in the finest units it holds.
    std::optional<double> SunlitShareInClosedForm(const Vec3& sun) const {
        return Share(sun, Cut::ClosedForm);
    }
    double SunlitShareByClipper(const Vec3& sun) const { return *Share(sun, Cut::ByClipper); }

    // The share of the sky the rectangle still sees under an isotropic sky,
    // 0–1: the sunlit share averaged over sky directions weighted by the
    // cosine of their angle to the normal. Directions below the horizon (the
    // ground) do not count; a plane that sees no sky keeps 1.
    double SkyShare() const { return skyShare_; }

  private:
    // The clipper and polygons of the last cut, kept for their memory.
    struct Scratch;
    struct Surface {
        std::vector<Vec3> points;  // in front of the plane
        bool convex = false;       // and so are its shadows
    };
    enum class Cut { Fastest, ClosedForm, ByClipper };

    std::optional<double> Share(const Vec3& sun, Cut cut) const;
    // Projects every surface along the sun (du, dv per unit out of the
    // plane) onto it, into the scratch's shadows, m.
    void Project(double du, double dv) const;
    // The share when the shadows reaching the rectangle are few and all
    // convex, cut in closed form; otherwise nothing.
    std::optional<double> ConvexShare() const;
    // The share cut by Clipper from the projected shadows, `scale` units a metre.
    double ClipperShare(double scale) const;
    double SkyShareOver(const ShadingPlane& plane) const;
    // The integer units per metre Clipper cuts in when no coordinate, of the
    // rectangle or of a shadow, is larger than `reach` (m).
    double UnitsPerMetre(double reach) const;

    double width_ = 0.0, height_ = 0.0;
    // The largest distance of a surface point from the plane's origin along
    // the plane, and out of it: they bound how far a shadow reaches.
    double reachInPlane_ = 0.0, reachOut_ = 0.0;
    std::vector<Surface> surfaces_;
    double skyShare_ = 1.0;
    mutable std::unique_ptr<Scratch> scratch_;
};

}  // namespace kz7::app
