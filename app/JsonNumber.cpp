#include "JsonNumber.h"

#include <array>
#include <charconv>
#include <limits>

namespace kz7::app {

double ShortestSingle(double value) {
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return value;
    std::array<char, 64> text{};
    const auto written =
        std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(value));
    double shortest = value;
    std::from_chars(text.data(), written.ptr, shortest);
    return shortest;
}

}  // namespace kz7::app
