#include "ShadingPlane.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kz7::app {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

Vec3 Unit(const Vec3& a) { return (1.0 / Length(a)) * a; }

}  // namespace

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }

Vec3 SunDirection(double altitude, double azimuth) {
    const double horizontal = std::cos(altitude);
    return {horizontal * std::sin(azimuth), horizontal * std::cos(azimuth), std::sin(altitude)};
}

ShadingPlane ShadingPlane::Facing(int32_t index, double orientation, double slope, double width,
                                  double height, const Vec3& origin) {
    const double a = orientation * kRadiansPerDegree;
    const double b = slope * kRadiansPerDegree;
    ShadingPlane plane;
    plane.index_ = index;
    plane.width_ = width;
    plane.height_ = height;
    plane.origin_ = origin;
    plane.normal_ = {std::sin(b) * std::sin(a), std::sin(b) * std::cos(a), std::cos(b)};
    plane.right_ = {-std::cos(a), std::sin(a), 0.0};
    plane.up_ = Cross(plane.normal_, plane.right_);
    return plane;
}

ShadingPlane ShadingPlane::FromCorners(int32_t index, const Vec3& bottomLeft,
                                       const Vec3& bottomRight, const Vec3& topLeft) {
    ShadingPlane plane;
    plane.index_ = index;
    plane.origin_ = bottomLeft;
    plane.width_ = Length(bottomRight - bottomLeft);
    plane.height_ = Length(topLeft - bottomLeft);
    plane.right_ = Unit(bottomRight - bottomLeft);
    plane.normal_ = Unit(Cross(plane.right_, topLeft - bottomLeft));
    plane.up_ = Cross(plane.normal_, plane.right_);
    return plane;
}

double ShadingPlane::OrientationDegrees() const {
    const double degrees = std::atan2(normal_.x, normal_.y) / kRadiansPerDegree;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

double ShadingPlane::SlopeDegrees() const {
    return std::acos(std::clamp(normal_.z, -1.0, 1.0)) / kRadiansPerDegree;
}

Vec3 ShadingPlane::ToLocal(const Vec3& point) const { return DirectionToLocal(point - origin_); }

Vec3 ShadingPlane::DirectionToLocal(const Vec3& d) const {
    return {Dot(d, right_), Dot(d, up_), Dot(d, normal_)};
}

}  // namespace kz7::app
