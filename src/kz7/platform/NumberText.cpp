#include "kz7/platform/NumberText.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kz7 {

namespace {

// Length of the longest prefix of `s` that reads as a number: sign, digits,
// optional fraction, optional exponent (only when it has digits).
size_t NumericPrefixLength(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

std::string TrimZeros(std::string text) {
    // Remove trailing zeros of the mantissa, keeping any exponent part.
    size_t expPos = text.find_first_of("eE");
    std::string exponent = expPos == std::string::npos ? "" : text.substr(expPos);
    std::string mantissa = expPos == std::string::npos ? text : text.substr(0, expPos);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
    }
    return mantissa + exponent;
}

std::string WithSeparator(std::string text, char decimalSeparator) {
    if (decimalSeparator != '.') {
        for (char& c : text)
            if (c == '.') c = decimalSeparator;
    }
    return text;
}

std::string ShortestText(double value, int digits, char decimalSeparator) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    std::string text = TrimZeros(buffer);
    if (text == "-0") text = "0";
    return WithSeparator(text, decimalSeparator);
}

}  // namespace

double ParseLeadingNumber(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
    std::string_view rest = text.substr(start);
    size_t length = NumericPrefixLength(rest);
    if (length == 0) return 0.0;
    // strtod needs a terminated buffer; numbers are short, so copy the prefix.
    std::string prefix(rest.substr(0, length));
    return std::strtod(prefix.c_str(), nullptr);
}

int16_t RoundToInt16(double value) {
    if (std::isnan(value)) return 0;
    double r = std::nearbyint(value);
    if (r > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (r < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(r);
}

int32_t RoundToInt32(double value) {
    if (std::isnan(value)) return 0;
    double r = std::nearbyint(value);
    if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

std::string NumberToText(double value, char decimalSeparator) {
    return ShortestText(value, 15, decimalSeparator);
}

std::string NumberToText(float value, char decimalSeparator) {
    return ShortestText(static_cast<double>(value), 7, decimalSeparator);
}

std::string FormatPattern(double value, std::string_view pattern, char decimalSeparator) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (!pattern.empty() && pattern.front() == '#') {
        double whole = std::round(value);
        if (whole == 0.0) return "";
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.0f", whole);
        return buffer;
    }
    size_t dot = pattern.find('.');
    int decimals = dot == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
    double scale = std::pow(10.0, decimals);
    double shown = std::round(value * scale) / scale;  // halves away from zero
    if (shown == 0.0) shown = 0.0;  // no "-0.00"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, shown);
    return WithSeparator(buffer, decimalSeparator);
}

}  // namespace kz7
