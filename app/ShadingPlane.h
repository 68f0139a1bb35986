#pragma once
// The host's shading geometry: per shading plane (the PlaneIndex elements
// name) the receiving rectangle and the surfaces that shade it.
//
// Building coordinates: x east, y north, z up, metres. Each plane has its own
// frame: u along the rectangle's bottom edge to the right as seen from
// outside, v up the rectangle, w along the outward normal. The rectangle
// covers 0 ≤ u ≤ width, 0 ≤ v ≤ height at w = 0; its bottom-left corner (seen
// from outside) is the plane's origin in building coordinates.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kz7::app {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(double s, const Vec3& a);
double Dot(const Vec3& a, const Vec3& b);
Vec3 Cross(const Vec3& a, const Vec3& b);
double Length(const Vec3& a);

// The direction towards the sun in building coordinates; altitude and
// azimuth (clockwise from north) in radians.
Vec3 SunDirection(double altitude, double azimuth);

// One shading surface as it stands in front of its plane: a planar polygon in
// the plane's frame (u, v, w), the part behind the plane already cut away.
struct ShadingSurface {
    std::string record;  // the record as written, for listings
    int64_t line = 0;    // its line in the model document
    std::vector<Vec3> points;
};

class ShadingPlane {
  public:
    // A plane facing `orientation` (outward normal's azimuth clockwise from
    // north, degrees) at `slope` (degrees from horizontal), its bottom-left
    // corner at `origin`. On a vertical or tilted plane the bottom edge is
    // horizontal; on a horizontal one the height runs away from the
    // orientation (a roof facing south rises to the north).
    static ShadingPlane Facing(int32_t index, double orientation, double slope, double width,
                               double height, const Vec3& origin);
    // A plane through its corners, bottom-left, bottom-right, top-right and
    // top-left as seen from outside (the caller checks they form a rectangle).
    static ShadingPlane FromCorners(int32_t index, const Vec3& bottomLeft, const Vec3& bottomRight,
                                    const Vec3& topLeft);

    int32_t Index() const { return index_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    const Vec3& Origin() const { return origin_; }
    const Vec3& Right() const { return right_; }
    const Vec3& Up() const { return up_; }
    const Vec3& Normal() const { return normal_; }
    // Outward normal's azimuth (0–360) and slope (0–180), degrees.
    double OrientationDegrees() const;
    double SlopeDegrees() const;

    // A building point or direction in the plane's frame.
    Vec3 ToLocal(const Vec3& point) const;
    Vec3 DirectionToLocal(const Vec3& direction) const;

    std::vector<ShadingSurface> surfaces;

  private:
    int32_t index_ = 0;
    double width_ = 0.0, height_ = 0.0;
    Vec3 origin_, right_, up_, normal_;
};

// The planes of a model by their index.
using ShadingPlanes = std::map<int32_t, ShadingPlane>;

}  // namespace kz7::app
