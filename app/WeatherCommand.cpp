// kz7 weather EPW: the site, the period and the monthly means of an EPW file,
// as the engine reads them.
#include <fmt/core.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/NumberText.h"
#include "kz7/weather/EnergyPlusWeather.h"

namespace kz7::app {

namespace {

struct WeatherOptions {
    std::string file;
};

constexpr std::array<const char*, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string DateText(const CalendarDate& date) {
    return fmt::format("{:04}-{:02}-{:02}", date.year, date.month, date.day);
}

void PrintSite(const EnergyPlusWeather& epw) {
    fmt::print("Site:      {}, {}, {} ({}, station {})\n", epw.City, epw.StateProvince, epw.Country,
               epw.Source, epw.StationNumber);
    fmt::print(
        "Position:  latitude {:.2f}, longitude {:.2f}, time zone {:+.1f} h, elevation {:.0f} m\n",
        epw.Latitude, epw.Longitude, epw.TimeZone, epw.Elevation);
}

void PrintPeriod(const EnergyPlusWeather& epw) {
    static constexpr std::array<const char*, 8> kDays{"?",        "Monday", "Tuesday",  "Wednesday",
                                                      "Thursday", "Friday", "Saturday", "Sunday"};
    fmt::print("Period:    {} to {}, {} hourly records, first day a {}\n",
               DateText(epw.FirstRecordDate()), DateText(epw.LastRecordDate()), epw.RecordCount(),
               kDays[static_cast<size_t>(
                   epw.StartDayOfWeek >= 1 && epw.StartDayOfWeek <= 7 ? epw.StartDayOfWeek : 0)]);
    if (epw.IsOneCalendarYear())
        fmt::print("Calendar:  one year of data; weekdays and February by the calendar\n");
    else
        fmt::print(
            "Calendar:  typical year (months from different years); weekdays counted from the "
            "first day, "
            "February of {} days\n",
            epw.FebruaryDays());
}

// The monthly weather rows, as the engine sends them to a host: means, and
// radiation as monthly totals.
void PrintMonths(const std::vector<ValueArray>& months) {
    fmt::print("\n{:<5} {:>9} {:>9} {:>13} {:>13} {:>8} {:>9}\n", "Month", "Dry bulb", "Wet bulb",
               "Direct normal", "Diffuse horiz", "Wind", "Pressure");
    fmt::print("{:<5} {:>9} {:>9} {:>13} {:>13} {:>8} {:>9}\n", "", "°C", "°C", "kWh/m²", "kWh/m²",
               "m/s", "hPa");
    for (const ValueArray& row : months) {
        const int32_t month = FromOleDate(ParseLeadingNumber(row[0])).month;
        fmt::print("{:<5} {:>9.1f} {:>9.1f} {:>13.1f} {:>13.1f} {:>8.1f} {:>9.1f}\n",
                   kMonthNames[static_cast<size_t>(month - 1)], ParseLeadingNumber(row[1]),
                   ParseLeadingNumber(row[2]), ParseLeadingNumber(row[3]),
                   ParseLeadingNumber(row[4]), ParseLeadingNumber(row[5]),
                   ParseLeadingNumber(row[7]));
    }
}

void RunWeather(const WeatherOptions& options) {
    EngineState state;
    state.settings.generateWeatherDataEvents = true;
    std::vector<ValueArray> months;
    state.outputData.onSave = [&](int16_t& interval, int32_t&, ValueArray& values, double&) {
        if (interval == 4) months.push_back(values);
    };
    EnergyPlusWeather epw(state);
    if (!epw.OpenFile(options.file)) {
        SetExitCode(kExitFailed);
        return;
    }
    PrintSite(epw);
    PrintPeriod(epw);
    PrintMonths(months);
    SetExitCode(kExitOk);
}

}  // namespace

void RegisterWeatherCommand(CLI::App& app) {
    auto options = std::make_shared<WeatherOptions>();
    CLI::App* command =
        app.add_subcommand("weather", "Show the site, period and monthly means of an EPW file");
    command->add_option("EPW", options->file, "EnergyPlus weather file")->required();
    command->callback([options] { RunWeather(*options); });
}

}  // namespace kz7::app
