#include "kz7/weather/Location.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void Location::Read() {
    LineReader& reader = state_.reader;
    Record = state_.record;
    reader.NextLine();
    for (int32_t& correction : LocalTimeCorrection) correction = reader.NextInteger();
    reader.NextLine();
    Latitude = reader.NextSingle();
    Longitude = reader.NextSingle();
    StdLongitude = reader.NextSingle();
    GroundReflectance = reader.NextSingle();
    XPOSUR = reader.NextInteger();
    state_.settings.exposure = XPOSUR;
    const OutsideConvection convection = GHCO(static_cast<float>(XPOSUR));
    state_.settings.outsideConvectiveWall = convection.vertical;
    state_.settings.outsideConvectiveRoof = convection.horizontal;
    reader.NextLine();
}

// Interpolates between exposure classes; class 3 and above take the severe
// values. A class below 1 is taken as 1: extrapolating would give a roof a
// negative coefficient (class 0: -1.55 W/m²K).
OutsideConvection Location::GHCO(float exposure) {
    static constexpr float kVertical[4] = {3.0f, 7.37f, 11.54f, 28.2f};
    static constexpr float kHorizontal[4] = {4.3f, 9.16f, 19.87f, 44.87f};
    if (!(exposure >= 1.0f)) exposure = 1.0f;  // also NaN
    const int32_t i = exposure >= 3.0f ? 3 : static_cast<int32_t>(exposure);
    if (i == 3) return {kVertical[3], kHorizontal[3]};
    const float f = exposure - static_cast<float>(i);
    return {kVertical[i] + f * (kVertical[i + 1] - kVertical[i]),
            kHorizontal[i] + f * (kHorizontal[i + 1] - kHorizontal[i])};
}

}  // namespace kz7
