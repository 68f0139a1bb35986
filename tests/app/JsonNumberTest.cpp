#include "JsonNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace kz7::app {
namespace {

TEST(JsonNumberTest, PrintsTheShortestTextOfTheSingle) {
    // A single's value written as a double, as the engine's texts carry it.
    EXPECT_EQ(JsonNumber(25.0000019073486).dump(), "25.000002");
    EXPECT_EQ(JsonNumber(static_cast<double>(0.8f)).dump(), "0.8");
    EXPECT_EQ(JsonNumber(-18.0).dump(), "-18.0");
    EXPECT_EQ(JsonNumber(1.05665946006775).dump(), "1.0566595");
    // What the single cannot hold stays as it is; what is not finite is null.
    EXPECT_EQ(ShortestSingle(1e300), 1e300);
    EXPECT_TRUE(JsonNumber(std::numeric_limits<double>::quiet_NaN()).is_null());
    EXPECT_TRUE(JsonNumber(-std::numeric_limits<double>::infinity()).is_null());
}

}  // namespace
}  // namespace kz7::app
