#pragma once
// The site location: monthly clock corrections, coordinates, ground
// reflectance and exposure.
#include <array>
#include <cstddef>
#include <cstdint>

#include "kz7/input/RecordProblem.h"

namespace kz7 {

class EngineState;

// Outside convective coefficients (W/m²K) of vertical and horizontal surfaces.
struct OutsideConvection {
    float vertical = 0.0f;    // HCOUTV, walls
    float horizontal = 0.0f;  // HCOUTH, roofs
};

class Location {
  public:
    explicit Location(EngineState& state) : state_(state) {}

    // Reads the record after the "Location" keyword line: the 12 monthly
    // corrections, then latitude, longitude, standard longitude, ground
    // reflectance and exposure; sets the process-wide outside coefficients;
    // consumes the closing line.
    void Read();

    // Coefficients for exposure class `exposure` (1 sheltered .. 3 severe).
    static OutsideConvection GHCO(float exposure);

    // Hours subtracted from the clock hour when the month-by-hour weather
    // table is read, January .. December (index 0 .. 11).
    std::array<int32_t, 12> LocalTimeCorrection{};
    // The correction of `month` (1..12); 0 outside that range.
    int32_t CorrectionOf(int32_t month) const {
        return month >= 1 && month <= 12 ? LocalTimeCorrection[static_cast<size_t>(month - 1)] : 0;
    }
    float GroundReflectance = 0.2f;
    float Latitude = 0.0f;      // degrees, north positive
    float Longitude = 0.0f;     // degrees, positive west
    float StdLongitude = 0.0f;  // degrees, positive west
    int32_t XPOSUR = 2;
    // Where the record was read, for messages; line 0 when it was not.
    RecordContext Record;

  private:
    EngineState& state_;
};

}  // namespace kz7
