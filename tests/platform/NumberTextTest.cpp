#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "kz7/platform/NumberText.h"

namespace kz7 {

TEST(NumberText, LeadingNumberTakesTheLongestNumericPrefixAndIntegersRoundHalvesToEven) {
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("  -3e2x"), -300.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("-"), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("."), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingNumber("abc"), 0.0);
    EXPECT_TRUE(std::isinf(ParseLeadingNumber("1e999")));
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(ParseLeadingNumber("1e999")), 32767);
    EXPECT_EQ(RoundToInt16(std::nan("")), 0);
}

// Fifteen digits for doubles, seven for singles; an assigned text reuses its storage.
TEST(NumberText, ShortestTextKeepsFifteenOrSevenDigits) {
    EXPECT_EQ(NumberToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(NumberToText(100.0), "100");
    EXPECT_EQ(NumberToText(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(NumberToText(-32768.0), "-32768");
    EXPECT_EQ(NumberToText(2.5, ','), "2,5");
    std::string text(32, 'x');
    const char* storage = text.data();
    AssignNumberText(text, 21.5f);
    EXPECT_EQ(text, "21.5");
    AssignNumberText(text, -3.25e-7f, ',');
    EXPECT_EQ(text, "-3,25E-07");
    EXPECT_EQ(text.data(), storage);
}

namespace {

// The reference the text conversion must match: %.<digits>G with the
// trailing zeros of the mantissa removed.
std::string ReferenceText(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    std::string text = buffer;
    const size_t e = text.find('E');
    std::string mantissa = text.substr(0, e);
    const std::string exponent = e == std::string::npos ? "" : text.substr(e);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    text = mantissa + exponent;
    return text == "-0" ? "0" : text;
}

}  // namespace

TEST(NumberText, TextsMatchTheSignificantDigitFormatAcrossTheRange) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 200000; ++i) {
        // Any float bit pattern: every exponent, subnormals included.
        uint32_t pattern = bits(random);
        float value = 0.0f;
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(NumberToText(value), ReferenceText(static_cast<double>(value), 7)) << pattern;
        // Ordinary engineering magnitudes, where rounding to 7 digits carries.
        const float ordinary = std::ldexp(static_cast<float>(pattern % 1000000u) / 1000000.0f,
                                          static_cast<int>(pattern % 60u) - 30);
        ASSERT_EQ(NumberToText(ordinary), ReferenceText(static_cast<double>(ordinary), 7));
        ASSERT_EQ(NumberToText(static_cast<double>(ordinary) / 3.0),
                  ReferenceText(static_cast<double>(ordinary) / 3.0, 15));
    }
    for (const float value : {0.0f, -0.0f, 9.9999999f, 99999995.0f, 9999999.0f, 10000000.0f,
                              0.0001f, 0.00009999999f, 1e-45f, -3.4028235e38f, 123456.75f,
                              1234567.5f, 1234568.5f, 8388607.5f, 0.0009765625f})
        EXPECT_EQ(NumberToText(value), ReferenceText(static_cast<double>(value), 7)) << value;
    EXPECT_EQ(NumberToText(1e-5f, ','), "1E-05");
    EXPECT_EQ(NumberToText(-1234.5f, ','), "-1234,5");
    EXPECT_EQ(NumberToText(std::numeric_limits<float>::infinity()), "Infinity");
    EXPECT_EQ(NumberToText(-std::numeric_limits<float>::infinity()), "-Infinity");
    EXPECT_EQ(NumberToText(std::nanf("")), "NaN");
}

TEST(NumberText, PatternsFixDecimalsAndHashesDropZero) {
    EXPECT_EQ(FormatPattern(1.23456, "0.000"), "1.235");
    EXPECT_EQ(FormatPattern(2.0, "0.00"), "2.00");
    EXPECT_EQ(FormatPattern(0.0, "###"), "");
    EXPECT_EQ(FormatPattern(7.0, "###"), "7");
    EXPECT_EQ(FormatPattern(1.5, "0.0", ','), "1,5");
}

}  // namespace kz7
