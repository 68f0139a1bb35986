// kz7 weather EPW [--db FILE]: the site, the period and the monthly means of
// an EPW file, as the engine reads them; with --db every weather row (hour,
// day, month) is stored. kz7 weather --design-heat-loss MODEL /
// --design-heat-gain MODEL: the design-day rows of a model, stored and shown.
#include <fmt/core.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "ModelMessages.h"
#include "ModelRun.h"
#include "ResultDatabase.h"
#include "ResultTables.h"
#include "RunSession.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/weather/EnergyPlusWeather.h"

namespace kz7::app {

namespace {

struct WeatherOptions {
    std::string file;
    std::string db;
    std::string designHeatLoss;
    std::string designHeatGain;
    std::string support;
    bool quiet = false;
    bool strict = false;  // the design model's errors stop the command
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
    // A typical year's months come from different years, so its first and
    // last record may be dated backwards: show it as the year it stands for.
    const bool calendarYear = epw.IsOneCalendarYear();
    const auto date = [calendarYear](const CalendarDate& day) {
        return calendarYear ? DateText(day) : fmt::format("{:02}-{:02}", day.month, day.day);
    };
    fmt::print("Period:    {} to {}{}, {} hourly records, first day a {}\n",
               date(epw.FirstRecordDate()), date(epw.LastRecordDate()),
               calendarYear ? "" : " of a typical year", epw.RecordCount(),
               kDays[static_cast<size_t>(
                   epw.StartDayOfWeek >= 1 && epw.StartDayOfWeek <= 7 ? epw.StartDayOfWeek : 0)]);
    if (calendarYear)
        fmt::print("Calendar:  records of one calendar year; weekdays and February by the calendar\n");
    else
        fmt::print(
            "Calendar:  typical year (months from different years); weekdays counted from the "
            "first day, "
            "February of {} days\n",
            epw.FebruaryDays());
}

struct WeatherRow {
    int16_t interval;
    int32_t zone;
    std::vector<float> values;
    double date;
    double time;
};

// The monthly weather rows, as the engine sends them to a host: means, and
// radiation as monthly totals.
void PrintMonths(const std::vector<WeatherRow>& months) {
    fmt::print("\n{:<5} {:>9} {:>9} {:>13} {:>13} {:>8} {:>9}\n", "Month", "Dry bulb", "Wet bulb",
               "Direct normal", "Diffuse horiz", "Wind", "Pressure");
    fmt::print("{:<5} {:>9} {:>9} {:>13} {:>13} {:>8} {:>9}\n", "", "°C", "°C", "kWh/m²", "kWh/m²",
               "m/s", "hPa");
    for (const WeatherRow& row : months) {
        const int32_t month = FromOleDate(row.date).month;
        if (month < 1 || month > 12 || row.values.size() < 8) continue;
        fmt::print("{:<5} {:>9.1f} {:>9.1f} {:>13.1f} {:>13.1f} {:>8.1f} {:>9.1f}\n",
                   kMonthNames[static_cast<size_t>(month - 1)], row.values[1], row.values[2],
                   row.values[3], row.values[4], row.values[5], row.values[7]);
    }
}

// The design day, half-hour by half-hour, as the engine sends it.
void PrintDesignDay(const std::vector<std::vector<float>>& rows) {
    fmt::print("\n{:>5} {:>9} {:>13} {:>13} {:>9} {:>9}\n", "Time", "Dry bulb", "Direct normal",
               "Diffuse horiz", "Altitude", "Azimuth");
    fmt::print("{:>5} {:>9} {:>13} {:>13} {:>9} {:>9}\n", "", "°C", "kW/m²", "kW/m²", "°", "°");
    int32_t halfHour = 0;
    for (const std::vector<float>& row : rows) {
        ++halfHour;
        if (row.size() < 10) continue;
        fmt::print("{:02}:{:02} {:>9.1f} {:>13.3f} {:>13.3f} {:>9.1f} {:>9.1f}\n", halfHour / 2,
                   halfHour % 2 * 30, row[1], row[3], row[4], row[8], row[9]);
    }
}

int RunDesignWeather(const WeatherOptions& options, bool heatGain) {
    ModelRunOptions runOptions;
    runOptions.model = heatGain ? options.designHeatGain : options.designHeatLoss;
    runOptions.support = options.support;
    runOptions.db = options.db;
    runOptions.quiet = options.quiet;
    runOptions.strict = options.strict;
    std::vector<std::vector<float>> rows;
    ModelRun run;
    run.command = "weather";
    run.run = [heatGain](SimulateX& control) {
        if (heatGain)
            control.GenerateHGWeatherData();
        else
            control.GenerateHLWeatherData();
    };
    run.onRecord = [&rows](const ResultRecord& record) {
        if (record.interval == 1 && record.zone == -1)
            rows.emplace_back(record.values.begin(), record.values.end());
    };
    run.report = [&](SimulateX&, const StoredRun& stored) {
        fmt::print("Run {} stored in {}: {} design-day rows ({})\n", stored.runId, options.db,
                   rows.size(), heatGain ? "cooling design, July" : "heating design, January");
        PrintDesignDay(rows);
    };
    return RunModel(runOptions, run);
}

// Stores the rows of a file the engine read whole, so that a file it cannot
// read leaves no run behind.
int StoreWeatherRows(const WeatherOptions& options, EngineState& state,
                     const std::vector<WeatherRow>& rows) {
    try {
        ResultDatabase database(options.db);
        RunSession session(state, database, RunInfo{"weather", "", options.file}, true);
        session.Run().AddVariables(ResultVariableRows());
        for (const WeatherRow& row : rows)
            session.OnRecord({row.interval, row.zone, row.values, row.date, row.time});
        const int code = session.Finish();
        fmt::print("\nRun {} stored in {}: {} weather rows\n", session.Run().RunId(), options.db,
                   session.Run().RecordCount());
        return code;
    } catch (const ResultDatabaseError& error) {
        ShowProblem(error.what());
        return kExitFailed;
    }
}

int RunWeather(const WeatherOptions& options) {
    if (!options.designHeatLoss.empty()) return RunDesignWeather(options, false);
    if (!options.designHeatGain.empty()) return RunDesignWeather(options, true);
    if (!WeatherFileFound(options.file)) return kExitFailed;
    EngineState state;
    state.settings.generateWeatherDataEvents = true;
    std::vector<WeatherRow> rows;
    std::vector<WeatherRow> months;
    state.outputData.onRecord = [&](const ResultRecord& record) {
        WeatherRow row{record.interval, record.zone, {record.values.begin(), record.values.end()},
                       record.date, record.time};
        if (record.interval == 4) months.push_back(row);
        if (!options.db.empty()) rows.push_back(std::move(row));
    };
    // A fault the engine reports and reads on (a line with fields missing,
    // read as 0; a second year of data, left out): the figures are shown,
    // and stored, all the same, and the command ends as a run with errors
    // does (exit code 3).
    ErrorTally errors;
    state.errorHandler = [&errors](const std::string& text) {
        if (errors.Count(text)) fmt::print(stderr, "Error: {}\n", text);
    };
    EnergyPlusWeather epw(state);
    if (!epw.OpenFile(options.file)) return kExitFailed;  // the engine said why
    PrintSite(epw);
    PrintPeriod(epw);
    PrintMonths(months);
    const int code = options.db.empty() ? kExitOk : StoreWeatherRows(options, state, rows);
    std::fflush(stdout);
    for (const std::string& unshown : errors.Unshown()) ShowProblem(unshown);
    return ExitAfterRunErrors(code, options.file, errors.Total());
}

}  // namespace

void RegisterWeatherCommand(CLI::App& app) {
    auto options = std::make_shared<WeatherOptions>();
    CLI::App* command = app.add_subcommand(
        "weather", "Show (and store) the rows of an EPW file or a model's design days");
    CLI::Option* epw = command->add_option("EPW", options->file, "EnergyPlus weather file");
    command->add_option("--db", options->db, "Result database to store the rows in");
    CLI::Option* heatLoss = command->add_option("--design-heat-loss", options->designHeatLoss,
                                                "Model whose heating design day to store");
    CLI::Option* heatGain = command->add_option("--design-heat-gain", options->designHeatGain,
                                                "Model whose cooling design day to store");
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    command->add_flag("--quiet", options->quiet, "No engine messages");
    AddStrictOption(*command, options->strict);
    epw->excludes(heatLoss)->excludes(heatGain);
    heatLoss->excludes(heatGain);
    command->callback([options, epw, heatLoss, heatGain] {
        if (epw->count() + heatLoss->count() + heatGain->count() == 0)
            throw CLI::RequiredError("EPW or --design-heat-loss or --design-heat-gain");
        if ((heatLoss->count() + heatGain->count()) > 0 && options->db.empty())
            throw CLI::RequiredError("--db (the design-day rows are stored)");
        SetExitCode(RunWeather(*options));
    });
}

}  // namespace kz7::app
