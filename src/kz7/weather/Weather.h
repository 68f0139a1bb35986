#pragma once
// The weather source: the outdoor state of every time step.
#include <cstdint>
#include <string>

#include "kz7/platform/OleDate.h"

namespace kz7 {

class EngineState;

class Weather {
public:
    explicit Weather(EngineState& state) : state_(state) {}

    // Record readers of "HeatLossWeather", "HeatGainWeather", "SimulationWeather".
    void ReadHeatLoss() {}
    void ReadHeatGain() {}
    void ReadSimulation() {}

    // Reduced weather and design days: 0 design weather, 1 open the tape,
    // 2 the current step's values.
    void REDWET(int32_t /*mode*/) {}
    // The hourly weather file (weather type 4).
    void OpenWeatherDatabase() {}
    void CloseWeatherDatabase() {}
    // The current step's values from the hourly file, at the run clock's time.
    void ReadHourlyData() {}
    // Weight of a day of `dayType` (1..7) in `month` on the reduced tape.
    float DayWeight(int32_t /*month*/, int32_t /*dayType*/) const { return 1.0f; }
    // Dates of the first and last records of the hourly file.
    CalendarDate FirstRecordDate() const { return {2003, 1, 1}; }
    CalendarDate LastRecordDate() const { return {2003, 12, 31}; }
    // Year of the current weather record (leap-year month lengths).
    int32_t CurrentRecordYear() const { return 2003; }

    // Outdoor state of the current step.
    float Toa = 0.0f;     // air temperature, °C
    float Goa = 0.0f;     // moisture content, g/kg
    float PATMOS = 1013.25f;  // pressure, hPa
    float WindSpeed = 0.0f;
    float WindDirection = 0.0f;
    int16_t iCloud = 0;   // oktas 0..8
    float Idn = 0.0f;     // direct normal, W/m²
    float Ifh = 0.0f;     // diffuse horizontal, W/m²
    float Igh = 0.0f;     // global horizontal, W/m²
    float SunAltitude = 0.0f;  // radians
    float SunAzimuth = 0.0f;   // radians, clockwise from north

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
