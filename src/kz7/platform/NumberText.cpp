#include "kz7/platform/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <type_traits>

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

// The correctly rounded significant digits of a number and its decimal
// exponent: |value| ≈ d1.d2d3... × 10^exponent.
struct Digits {
    char mantissa[kNumberChars];
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// The digits from one correctly rounded scientific conversion.
template <typename Number>
Digits ConvertedDigits(Number value, int digits) {
    Digits d;
    char scientific[kNumberChars];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, value,
                                      std::chars_format::scientific, digits - 1);
    // "-d.ddddde+XX": split into sign, significant digits and exponent.
    const char* q = scientific;
    d.negative = *q == '-';
    if (d.negative) ++q;
    for (; *q != 'e'; ++q)
        if (*q != '.') d.mantissa[d.count++] = *q;
    if (std::from_chars(q + (q[1] == '+' ? 2 : 1), result.ptr, d.exponent).ec != std::errc())
        d.exponent = 0;
    return d;
}

// Seven digits of a single the quick way: its value scaled by an exact power
// of ten into [1e6, 1e7) in one double operation (error below 1e-9) and
// rounded. Leaves it to the full conversion (false) when the scaled value
// lies within 1e-6 of a rounding tie, whose side the error could change, or
// when no exact power of ten reaches it.
bool QuickSingleDigits(float value, Digits& d) {
    constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int kLargestPower = 22;
    const double magnitude = std::fabs(static_cast<double>(value));
    d.negative = std::signbit(value);
    if (magnitude == 0.0) {
        d.mantissa[0] = '0';
        d.count = 1;
        d.exponent = 0;
        return true;
    }
    // A first guess of the decimal exponent from the binary one (× log10 2);
    // the loop below corrects it by one either way.
    int binaryExponent = 0;
    std::frexp(magnitude, &binaryExponent);
    int exponent = ((binaryExponent - 1) * 1233) >> 12;
    double scaled = 0.0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int shift = 6 - exponent;
        if (shift > kLargestPower || shift < -kLargestPower) return false;
        scaled = shift >= 0 ? magnitude * kPowersOfTen[shift] : magnitude / kPowersOfTen[-shift];
        if (scaled < 1e6)
            --exponent;
        else if (scaled >= 1e7)
            ++exponent;
        else
            break;
    }
    if (scaled < 1e6 || scaled >= 1e7) return false;
    auto n = static_cast<uint32_t>(scaled);  // positive: truncation is the floor
    const double fraction = scaled - static_cast<double>(n);
    if (std::fabs(fraction - 0.5) < 1e-6) return false;
    if (fraction > 0.5) ++n;
    if (n == 10000000u) {  // 9999999.5 and above round up to the next decade
        n = 1000000u;
        ++exponent;
    }
    for (int i = 6; i >= 0; --i, n /= 10u) d.mantissa[i] = static_cast<char>('0' + n % 10u);
    d.count = 7;
    d.exponent = exponent;
    return true;
}

// The text %.<digits>G gives, with trailing zeros of the mantissa removed,
// written to `out` (kNumberChars long); returns its length. The digits come
// from one correctly rounded scientific conversion: %G's fixed form rounds at
// the same digit, so both forms only place those digits differently. Singles
// at seven digits, the texts of every result record, take the quick way
// where it is exact.
template <typename Number>
size_t NumberChars(Number value, int digits, char decimalSeparator, char* out) {
    char* p = out;
    if (std::isnan(value)) return static_cast<size_t>(std::copy_n("NaN", 3, p) - out);
    if (std::isinf(value)) {
        if (value < 0) *p++ = '-';
        return static_cast<size_t>(std::copy_n("Infinity", 8, p) - out);
    }
    Digits d;
    if constexpr (std::is_same_v<Number, float>) {
        if (digits != 7 || !QuickSingleDigits(value, d)) d = ConvertedDigits(value, digits);
    } else {
        d = ConvertedDigits(value, digits);
    }
    const char* mantissa = d.mantissa;
    int count = d.count;
    int exponent = d.exponent;
    while (count > 1 && mantissa[count - 1] == '0') --count;
    if (count == 1 && mantissa[0] == '0') exponent = 0;
    // "-0" reads as 0.
    if (d.negative && !(count == 1 && mantissa[0] == '0')) *p++ = '-';

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

bool IsWholeNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    const std::string_view number = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    return NumericPrefixLength(number) == number.size();
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
    if (shown == 0.0) shown = 0.0;                     // no "-0.00"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, shown);
    return WithSeparator(buffer, decimalSeparator);
}

}  // namespace kz7
