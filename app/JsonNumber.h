#pragma once
// Numbers in the JSON the commands print. The engine computes in single
// precision, so a figure such as 25.000002 reaches the host as the double
// 25.0000019073486; printed as it stands, that noise looks like precision.
#include <cmath>
#include <nlohmann/json.hpp>

namespace kz7::app {

// The double nearest to the shortest decimal text that reads back to the same
// single as `value` (25.0000019073486 gives 25.000002). Values outside the
// single range, and non-finite ones, are returned as they are.
double ShortestSingle(double value);

// `value` as a JSON number by ShortestSingle; null when it is not finite.
template <class Json = nlohmann::json>
Json JsonNumber(double value) {
    return std::isfinite(value) ? Json(ShortestSingle(value)) : Json(nullptr);
}

}  // namespace kz7::app
