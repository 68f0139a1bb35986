#include <gtest/gtest.h>

#include <cmath>

#include "kz7/platform/NumberText.h"

namespace kz7 {

TEST(NumberText, LeadingNumberTakesTheLongestNumericPrefix) {
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("  -3e2x"), -300.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("-"), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("."), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("abc"), 0.0);
    EXPECT_TRUE(std::isinf(ParseLeadingNumber("1e999")));
}

TEST(NumberText, IntegersRoundHalvesToEvenAndClamp) {
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(ParseLeadingNumber("1e999")), 32767);
    EXPECT_EQ(RoundToInt16(std::nan("")), 0);
}

TEST(NumberText, ShortestTextKeepsFifteenOrSevenDigits) {
    EXPECT_EQ(NumberToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(NumberToText(100.0), "100");
    EXPECT_EQ(NumberToText(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(NumberToText(-32768.0), "-32768");
    EXPECT_EQ(NumberToText(2.5, ','), "2,5");
}

TEST(NumberText, PatternsFixDecimalsAndHashesDropZero) {
    EXPECT_EQ(FormatPattern(1.23456, "0.000"), "1.235");
    EXPECT_EQ(FormatPattern(2.0, "0.00"), "2.00");
    EXPECT_EQ(FormatPattern(0.0, "###"), "");
    EXPECT_EQ(FormatPattern(7.0, "###"), "7");
    EXPECT_EQ(FormatPattern(1.5, "0.0", ','), "1,5");
}

}  // namespace kz7
