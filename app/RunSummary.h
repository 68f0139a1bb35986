#pragma once
// The summary `kz7 simulate` prints: per zone and for the building, peak
// heating and cooling, annual heating and cooling delivered, fuel and carbon,
// extreme air and comfort temperatures and occupied hours above 25 and 28 °C.
// Every figure comes from the result records the run stored (docs/cli.md,
// "kz7 simulate"); a figure the records do not carry is empty.
#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ResultDatabase.h"
#include "kz7/control/OutputData.h"

namespace kz7::app {

// The total of a summed variable over a run, kept per interval so that the
// coarsest interval the run stored gives it (month, else day, else hour).
class IntervalTotal {
  public:
    void Add(int16_t interval, double value);
    std::optional<double> Total() const;

  private:
    // Index 0 hour, 1 day, 2 month.
    std::array<double, 3> sums_{};
    std::array<bool, 3> seen_{};
};

struct SummaryFigures {
    std::optional<double> floorArea;                               // m²
    std::optional<double> peakHeating;                             // kW
    std::optional<double> peakCooling;                             // kW
    std::optional<double> heating;                                 // kWh
    std::optional<double> cooling;                                 // kWh
    std::optional<double> fuel;                                    // kWh
    std::optional<double> carbon;                                  // kg
    std::optional<double> maxAir, minAir, maxComfort, minComfort;  // °C
    std::optional<double> hoursAbove25, hoursAbove28;              // h
};

// The peaks and extreme temperatures of a zone summary record (NaN where it
// has no value) into `figures`.
void SetSummaryRecordFigures(const std::array<double, 8>& summary, SummaryFigures& figures);
// The occupied part of an hour counted above `limit`: all of it when the
// hour's mean occupied comfort temperature is above the limit.
double OccupiedHoursAbove(double occupiedHours, double occupiedComfort, double limit);

// The figures as JSON, e.g. {"peak_heating_kw": 7.8, ...}; null where empty.
nlohmann::json FiguresJson(const SummaryFigures& figures);

// Adds a zone's figures to the building's: peaks summed (not coincident),
// extremes over the zones, hours above a limit those of the worst zone.
void CombineZoneFigures(SummaryFigures& building, const SummaryFigures& zone);

struct ZoneSummary {
    ZoneInfo zone;
    SummaryFigures figures;
};

class RunSummary {
  public:
    explicit RunSummary(std::vector<ZoneInfo> zones);

    // Every record the engine sends during the run. `dayWeight` is the number
    // of real days the record's day stands for: on a reduced weather tape one
    // simulated day represents several (the tape's day counts), so its hour
    // and day records count that many times. Month records arrive weighted.
    void Add(const ResultRecord& record, double dayWeight = 1.0);

    std::vector<ZoneSummary> Zones() const;
    SummaryFigures Building() const;

    // The text table, one line per zone and one for the building.
    std::string Table() const;
    // The JSON form (docs/cli.md).
    nlohmann::json Json() const;
    // The lines the result database keeps: one per zone, then the building
    // (zone 0), named as in the JSON form.
    std::vector<SummaryRow> Rows() const;

    static constexpr double kWarmLimit = 25.0;
    static constexpr double kHotLimit = 28.0;

  private:
    struct ZoneTotals {
        std::optional<std::array<double, 8>> summary;
        IntervalTotal heating, cooling, fuel, carbon;
        double hoursAbove25 = 0.0, hoursAbove28 = 0.0;
        bool hourly = false;  // whether hourly occupancy values arrived
        bool sent = false;    // whether any record of the zone arrived
    };
    using Values = std::span<const float>;
    void AddSummary(int32_t zone, Values values);
    void AddZoneRecord(int16_t interval, ZoneTotals& totals, Values values, double weight);
    void AddPlantValues(int16_t interval, Values values, double weight);
    SummaryFigures ZoneFigures(const ZoneTotals& totals) const;
    // The totals of zone number `zone`, or null for a zone the run does not list.
    ZoneTotals* TotalsOf(int32_t zone);

    std::vector<ZoneInfo> zones_;
    // Beside zones_, in its order: looked up for every record a run sends.
    std::vector<ZoneTotals> totals_;
    ZoneTotals building_;
};

}  // namespace kz7::app
