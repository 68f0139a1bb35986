#include "kz7/platform/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
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

std::string WithSeparator(std::string text, char decimalSeparator) {
    if (decimalSeparator != '.') {
        for (char& c : text)
            if (c == '.') c = decimalSeparator;
    }
    return text;
}

// Longest text NumberChars writes: sign, "0.", 4 zeros, 15 digits, or a
// mantissa of 15 digits with its point and a 3-digit exponent.
constexpr size_t kNumberChars = 32;

// The text %.<digits>G gives, with trailing zeros of the mantissa removed,
// written to `out` (kNumberChars long); returns its length. The digits come
// from one correctly rounded scientific conversion: %G's fixed form rounds at
// the same digit, so both forms only place those digits differently. A
// single converts as itself: the same digits, found faster.
template <typename Number>
size_t NumberChars(Number value, int digits, char decimalSeparator, char* out) {
    char* p = out;
    if (std::isnan(value)) return static_cast<size_t>(std::copy_n("NaN", 3, p) - out);
    if (std::isinf(value)) {
        if (value < 0) *p++ = '-';
        return static_cast<size_t>(std::copy_n("Infinity", 8, p) - out);
    }
    char scientific[kNumberChars];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, value,
                                      std::chars_format::scientific, digits - 1);
    // "-d.ddddde+XX": split into sign, significant digits and exponent.
    const char* q = scientific;
    const bool negative = *q == '-';
    if (negative) ++q;
    char mantissa[kNumberChars];
    int count = 0;
    for (; *q != 'e'; ++q)
        if (*q != '.') mantissa[count++] = *q;
    int exponent = 0;
    if (std::from_chars(q + (q[1] == '+' ? 2 : 1), result.ptr, exponent).ec != std::errc()) exponent = 0;
    while (count > 1 && mantissa[count - 1] == '0') --count;
    if (count == 1 && mantissa[0] == '0') exponent = 0;
    // "-0" reads as 0.
    if (negative && !(count == 1 && mantissa[0] == '0')) *p++ = '-';

    if (exponent < -4 || exponent >= digits) {
        *p++ = mantissa[0];
        if (count > 1) {
            *p++ = decimalSeparator;
            p = std::copy_n(mantissa + 1, count - 1, p);
        }
        *p++ = 'E';
        *p++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) *p++ = '0';
        p = std::to_chars(p, out + kNumberChars, magnitude).ptr;
    } else if (exponent < 0) {
        *p++ = '0';
        *p++ = decimalSeparator;
        p = std::fill_n(p, -exponent - 1, '0');
        p = std::copy_n(mantissa, count, p);
    } else {
        const int whole = exponent + 1;
        for (int i = 0; i < whole; ++i) *p++ = i < count ? mantissa[i] : '0';
        if (count > whole) {
            *p++ = decimalSeparator;
            p = std::copy_n(mantissa + whole, count - whole, p);
        }
    }
    return static_cast<size_t>(p - out);
}

template <typename Number>
std::string ShortestText(Number value, int digits, char decimalSeparator) {
    char buffer[kNumberChars];
    return std::string(buffer, NumberChars(value, digits, decimalSeparator, buffer));
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
    return ShortestText(value, 7, decimalSeparator);
}

void AssignNumberText(std::string& text, float value, char decimalSeparator) {
    char buffer[kNumberChars];
    text.assign(buffer, NumberChars(value, 7, decimalSeparator, buffer));
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
