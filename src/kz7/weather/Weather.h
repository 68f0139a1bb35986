#pragma once
// The weather source: the outdoor state of every time step, from an hourly
// EPW file (weather type 4), a reduced weather tape (types 2 and 3) or the
// synthetic design days of the heating and cooling design runs.
#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/engine/RunClock.h"
#include "kz7/platform/OleDate.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/Psychrometrics.h"
#include "kz7/weather/ReducedTape.h"
#include "kz7/weather/WeatherRecord.h"

namespace kz7 {

class EngineState;

class Weather {
  public:
    explicit Weather(EngineState& state);

    // Record readers of "HeatLossWeather", "HeatGainWeather", "SimulationWeather".
    void ReadHeatLoss();
    void ReadHeatGain();
    void ReadSimulation();

    // Reduced weather and design days: 0 design weather, 1 open the tape,
    // 2 the current step's values.
    void REDWET(int32_t mode);
    // Opens the tape `name` (".fwt" for type 2, ".rwt" for type 3) in the
    // support folder: mode "O" for reading, any other mode empties it for
    // writing. Returns true on success (the failure flag is its negation);
    // `path` gets the full path. Other type codes open nothing.
    bool WTOPEN(std::string_view mode, const std::string& name, int32_t typeCode,
                std::string& path);
    // Reads the day-count file at `path` into the day-count table.
    bool GINFODY(const std::string& path);

    // The hourly weather file (weather type 4). False (and the run
    // cancelled) when it cannot be loaded.
    bool OpenWeatherDatabase();
    void CloseWeatherDatabase();
    // Where a model's weather file name leads: absolute as given; relative
    // names in the support folder, then beside the model document; ".epw"
    // added when the name has no extension.
    std::string ResolveWeatherFile(const std::string& name) const;
    // The places ResolveWeatherFile looks, in order: the name itself when
    // absolute; else in the support folder (the current folder when there is
    // none), then beside the model document.
    std::vector<std::string> WeatherFileCandidates(const std::string& name) const;
    // The current step's values from the hourly file, at the run clock's time.
    void ReadHourlyData();
    // Record `index` (1-based) of the hourly file, without interpolation.
    void ReadDataByIndex(int32_t index);

    // Weight of a day of `dayType` (1..7, 0 counting as 7) in `month` on the
    // reduced tape: the real days it stands for; 1 for other weather types.
    float DayWeight(int32_t month, int32_t dayType) const;
    // Dates of the first and last records of the hourly file.
    CalendarDate FirstRecordDate() const { return epw_.FirstRecordDate(); }
    CalendarDate LastRecordDate() const { return epw_.LastRecordDate(); }
    // Year of the current weather record (leap-year month lengths).
    int32_t CurrentRecordYear() const { return ThisRecord.Year != 0 ? ThisRecord.Year : 2003; }

    // Typical-year files (TMY, IWEC, ...) join months of different years.
    // Whether the hourly file's records are all of one calendar year:
    bool RecordsFormOneYear() const { return epw_.IsOneCalendarYear(); }
    // February's length as the file holds it (28, or 29 with a 29 February).
    int32_t FebruaryDays() const { return epw_.FebruaryDays(); }
    // Length of `month` for the run's calendar: the file's own year, or for a
    // typical year the file's February and the usual other months.
    int32_t DaysInRecordMonth(int32_t month) const { return epw_.DaysInFileMonth(month); }
    // Days of a period counted by month and day alone in that calendar; a
    // period that ends before it starts wraps round the year end.
    int32_t TypicalYearPeriodDays(int32_t startMonth, int32_t startDay, int32_t endMonth,
                                  int32_t endDay) const;

    // Sun position at the run clock's date and time for the Location.
    void GetSunPosition();
    // The heat-gain design hour at the run clock's month and time of day.
    void CalcDesignWeather();
    // Design-day weather to the host, half-hour by half-hour.
    void SendHourlyHGWeatherData();
    void SendHourlyHLWeatherData();

    // Psychrometrics (°C, hPa): see Psychrometrics.h.
    static MoistAir MOIST(double dryBulb, double wetBulb, double pressure) {
        return kz7::MOIST(dryBulb, wetBulb, pressure);
    }

    const EnergyPlusWeather& EpwSource() const { return epw_; }
    EnergyPlusWeather& EpwSource() { return epw_; }
    const MonthHourTable& Table() const { return table_; }
    const DayCountTable& DayCounts() const { return dayCounts_; }

    // Outdoor state of the current step.
    float Toa = 0.0f;            // air temperature, °C
    float Twb = 0.0f;            // wet bulb, °C
    float Goa = 0.0f;            // moisture content, g/kg
    float PATMOS = 1013.25f;     // pressure, hPa
    float WindSpeed = 0.0f;      // m/s
    float WindDirection = 0.0f;  // degrees
    int16_t iCloud = 0;          // oktas 0..8
    float Idn = 0.0f;            // direct normal, W/m²
    float Ifh = 0.0f;            // diffuse horizontal, W/m²
    float Igh = 0.0f;            // global horizontal, W/m²
    float SunAltitude = 0.0f;    // radians
    float SunAzimuth = 0.0f;     // radians, clockwise from north
    float SinSunAltitude = 0.0f;
    float CosSunAltitude = 1.0f;

    // Date and hour of the record last read by index.
    int32_t iMonth = 0, iDay = 0, iHour = 0;

    // Weather source of the model.
    std::string WeatherDbName;    // file name (tapes: without extension)
    int32_t WeatherFileType = 3;  // 2, 3 reduced tapes; 4 EPW
    int32_t WeatherFileUnit = 0;  // 1 while a tape is open

    // Weather period of the EPW source, set by OpenWeatherDatabase.
    int32_t SimStartWeatherRecordIndex = 0;
    int32_t StartDayOfMonth = 0, StartMonth = 0, StartYear = 0;
    int32_t EndDayOfMonth = 0, EndMonth = 0, EndYear = 0;
    int32_t YearJan1 = 0;
    WeatherRecord ThisRecord;

    // Design inputs.
    float OutsideDesignTemperature = -1.0f;  // heat loss, °C
    float ToaMax = 0.0f, ToaMin = 0.0f;      // heat gain daily extremes, °C
    // Days a design or tape run simulates and the days before them that only
    // condition the building (set by REDWET).
    int32_t DesignDayCount = 6;
    int32_t PreconditioningDays = 1;

  private:
    void SetSunTrigonometry();
    void FinishHourlyStep();
    void LoadReducedTape();
    void PrepareDesignDays();
    void StepFromTable();
    void ReportTapeProblem(const std::string& detail);
    // Table entry of `hour` (any integer; wrapped into 1..24) of `month`.
    const TapeHour& TableHour(int32_t month, int32_t hour) const;
    void SendDesignDay(int32_t month);

    EngineState& state_;
    EnergyPlusWeather epw_;
    WeatherRecord previous_;
    MonthHourTable table_;
    DayCountTable dayCounts_{};
    std::fstream tapeFile_;

    // Heat-gain design inputs, per month.
    std::array<float, 12> monthlyMaximum_{};
    std::array<float, 12> monthlyMinimum_{};
    std::array<float, 12> hourOfMinimum_{};
    std::array<float, 12> hourOfWetBulbMinimum_{};
    float beamMultiplier_ = 1.0f;
    float siteHeight_ = 0.0f;  // m
};

}  // namespace kz7
