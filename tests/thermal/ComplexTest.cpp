#include <gtest/gtest.h>

#include <cmath>

#include "kz7/thermal/Complex.h"
#include "kz7/thermal/StraightLine.h"

namespace kz7 {
namespace {

TEST(ComplexTest, ArithmeticAndGuardedInverse) {
    const Complex a{3.0, 4.0};
    EXPECT_DOUBLE_EQ(Modulus(a), 5.0);
    const Complex q = a / Complex{1.0, 2.0};  // (3+4j)/(1+2j) = 2.2 - 0.4j
    EXPECT_NEAR(q.X, 2.2, 1e-12);
    EXPECT_NEAR(q.y, -0.4, 1e-12);
    const Complex inverse = Inverse(a);
    EXPECT_NEAR(inverse.X, 0.12, 1e-12);
    EXPECT_NEAR(inverse.y, -0.16, 1e-12);
    // Beyond 1e10 an impedance is an open circuit: a tiny real admittance.
    const Complex open = Inverse(Complex{0.0, -2e10});
    EXPECT_DOUBLE_EQ(open.X, static_cast<double>(1e-20f));
    EXPECT_EQ(open.y, 0.0);
    const Complex edge = Inverse(Complex{1e10, 0.0});
    EXPECT_DOUBLE_EQ(edge.X, 1e-10);
    // Zero has no inverse: the arithmetic carries a not-a-number on.
    EXPECT_TRUE(std::isnan(Inverse(Complex{}).X));
}

TEST(ComplexTest, StraightLineThroughTwoPoints) {
    EXPECT_DOUBLE_EQ(StraightLine(0, 1, 10, 3, 5), 2.0);
    EXPECT_DOUBLE_EQ(StraightLine(0, 1, 10, 3, 20), 5.0);
    EXPECT_DOUBLE_EQ(StraightLine(4, 1, 4, 3, 100), 2.0);  // equal abscissas: the mean
}

}  // namespace
}  // namespace kz7
