#pragma once
// A complex number for the frequency-domain impedances of constructions and
// zones, with the engine's numeric routines.
#include <cmath>

namespace kz7 {

struct Complex {
    double X = 0.0;  // real part
    double y = 0.0;  // imaginary part
};

inline Complex MakeComplex(float x, float y) {
    return {static_cast<double>(x), static_cast<double>(y)};
}
inline Complex operator+(Complex a, Complex b) {
    return {a.X + b.X, a.y + b.y};
}
inline Complex operator-(Complex a, Complex b) {
    return {a.X - b.X, a.y - b.y};
}
inline double Modulus(Complex z) {
    return std::sqrt(z.X * z.X + z.y * z.y);
}

inline Complex operator/(Complex a, Complex b) {
    const double norm = b.X * b.X + b.y * b.y;
    return {(a.X * b.X + a.y * b.y) / norm, (a.y * b.X - a.X * b.y) / norm};
}

// 1/z, guarded: a huge impedance stands for an open circuit and inverts to
// a tiny admittance instead of underflowing.
inline Complex Inverse(Complex z) {
    constexpr double kLargest = 1e10;
    if (Modulus(z) <= kLargest) return Complex{1.0, 0.0} / z;
    return {static_cast<double>(1e-20f), 0.0};
}

}  // namespace kz7
