#include "kz7/weather/DirectBeamTable.h"

#include <array>
#include <string>

#include "kz7/engine/EngineState.h"

namespace kz7 {

namespace {

// Column 1 (zero precipitable water): c1 per m², c2 per m, c3.
constexpr std::array<std::array<double, 3>, 19> kDryAir{{
    {1.408e-09, 2.3132e-05, 0.10692},   {-1.4087e-10, 4.2946e-05, 0.36916},
    {-1.1465e-09, 4.3521e-05, 0.50859}, {-1.5266e-09, 3.9697e-05, 0.60052},
    {-1.6002e-09, 3.6454e-05, 0.6477},  {-1.5942e-09, 3.3281e-05, 0.68515},
    {-1.5443e-09, 3.0648e-05, 0.71224}, {-1.4978e-09, 2.8489e-05, 0.73284},
    {-1.4426e-09, 2.671e-05, 0.74872},  {-1.3929e-09, 2.5256e-05, 0.76122},
    {-1.3466e-09, 2.4051e-05, 0.77118}, {-1.306e-09, 2.3063e-05, 0.77916},
    {-1.2719e-09, 2.226e-05, 0.78553},  {-1.2442e-09, 2.1619e-05, 0.79056},
    {-1.2209e-09, 2.111e-05, 0.79447},  {-1.2029e-09, 2.0728e-05, 0.79739},
    {-1.1914e-09, 2.0466e-05, 0.7994},  {-1.1843e-09, 2.0312e-05, 0.80058},
    {-1.181e-09, 2.0256e-05, 0.80098},
}};

}  // namespace

double DryAirBeamCoefficient(int32_t i, int32_t j) {
    if (i < 1 || i > 19 || j < 1 || j > 3) return 0.0;
    return kDryAir[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
}

double COFF(EngineState& state, int32_t i, int32_t j, int32_t k) {
    if (k > kPrecipitableWaterColumns) {
        state.ShowError("ERROR MAX WV = .06");
        return 0.0;
    }
    if (k != 1) {
        state.ShowError(
            "Direct-beam coefficients are held for zero precipitable water only (column " +
            std::to_string(k) + " asked for)");
        return 0.0;
    }
    return DryAirBeamCoefficient(i, j);
}

}  // namespace kz7
