#include "ModelRun.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "HtmlReport.h"
#include "ModelChecks.h"
#include "ModelFile.h"
#include "ResultDatabase.h"
#include "ResultTables.h"
#include "RunSession.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The places a simulation's weather file may be, in the order the engine
// looks: for an EPW file those of Weather::WeatherFileCandidates, for a
// reduced tape the support folder.
std::vector<std::string> WeatherFileCandidates(const EngineState& state) {
    const Weather& weather = *state.weather;
    if (weather.WeatherFileType == 4) return weather.WeatherFileCandidates(weather.WeatherDbName);
    const char* extension = weather.WeatherFileType == 2 ? ".fwt" : ".rwt";
    return {(std::filesystem::path(state.settings.supportFilePath) /
             (weather.WeatherDbName + extension))
                .string()};
}

// The first candidate that is a file; empty when there is none.
std::string FirstFile(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates)
        if (IsFile(candidate)) return candidate;
    return {};
}

void ConnectRecords(SimulateX& control, RunSession& session, const ModelRun& run,
                    bool verbose) {
    auto store = [&session, &run](int16_t& interval, int32_t& zone, ValueArray& values,
                                  double& date) {
        session.OnRecord(interval, zone, values, date);
        if (run.onRecord) run.onRecord(interval, zone, values);
    };
    control.SaveSSData = store;
    control.SaveHLData = store;
    control.SaveHGData = store;
    // A message for every simulated day ("Simulating 3/2") is progress, which
    // the bar shows; as lines it only buries the messages that matter.
    control.MessageChange = [&session, verbose](std::string& message) {
        if (verbose || !SimKZ7::IsDayMessage(message)) session.OnMessage(message);
    };
    control.ProgressChange = [&session, &control] { session.OnProgress(control.Progress()); };
}

// The run is stored whatever happens here; a report that cannot be written
// fails the command all the same, so that a script notices.
int WriteRunReport(ResultDatabase& database, int64_t runId, const ModelRunOptions& options) {
    try {
        WriteHtmlReport(database, runId, options.html);
    } catch (const std::exception& error) {
        fmt::print(stderr, "kz7: the HTML report was not written: {}\n", error.what());
        return kExitFailed;
    }
    if (!options.json) fmt::print("\nReport written to {}\n", options.html);
    return kExitOk;
}

int RunAndStore(SimulateX& control, const ModelRunOptions& options, const ModelRun& run,
                const std::string& weatherFile) {
    EngineState& state = control.State();
    ResultDatabase database(options.db);
    RunSession session(state, database, {run.command, options.model, weatherFile}, options.quiet);
    session.Run().AddZones(ZoneRows(state));
    session.Run().AddVariables(ResultVariableRows());
    ConnectRecords(control, session, run, options.verbose);
    state.yieldHandler = session.YieldHandler();
    state.errorHandler = session.ErrorHandler();
    int code = kExitFailed;
    try {
        run.run(control);
        code = session.Finish();
    } catch (const ResultDatabaseError& error) {
        code = session.Fail(error.what());
    } catch (const std::exception& error) {
        code = session.Fail(fmt::format("{}: the run failed: {}", options.model, error.what()));
    }
    state.yieldHandler = nullptr;
    state.errorHandler = nullptr;
    control.SaveSSData = control.SaveHLData = control.SaveHGData = nullptr;
    control.MessageChange = nullptr;
    control.ProgressChange = nullptr;
    const RunWriter& stored = session.Run();
    if (code == kExitOk && run.report)
        run.report(control, {stored.RunId(), stored.RecordCount(), stored.ValueCount()});
    if (code == kExitOk && !options.html.empty())
        code = WriteRunReport(database, stored.RunId(), options);
    return code;
}

}  // namespace

void AddModelRunOptions(CLI::App& command, ModelRunOptions& options) {
    command.add_option("MODEL", options.model, "Model document")->required();
    command.add_option("--support", options.support,
                       "Support folder holding Dbs.KZ7 and weather tapes");
    command.add_option("--db", options.db, "Result database (SQLite), created when missing")
        ->capture_default_str();
    command.add_flag("--json", options.json, "Print the summary as JSON");
    CLI::Option* quiet =
        command.add_flag("--quiet", options.quiet, "No progress bar and no engine messages");
    command
        .add_flag("--verbose", options.verbose,
                  "Print the engine's message of every simulated day as well")
        ->excludes(quiet);
    command.add_option("--html", options.html,
                       "Also write the run's HTML report with charts to this file");
}

int RunModel(const ModelRunOptions& options, const ModelRun& run) {
    EngineState state;
    SimulateX control(state);
    // The read's messages and errors are held back so that a failed read
    // gives one line.
    std::vector<std::string> readMessages;
    state.errorHandler = [&](const std::string& text) { readMessages.push_back("Error: " + text); };
    control.MessageChange = [&](std::string& message) {
        if (!options.quiet) readMessages.push_back(message);
    };
    if (run.prepare) run.prepare(control);
    const std::string problem = LoadModel(control, options.model, options.support);
    state.errorHandler = nullptr;
    control.MessageChange = nullptr;
    if (!problem.empty()) {
        fmt::print(stderr, "kz7: {}\n", problem);
        return kExitFailed;
    }
    for (const std::string& message : readMessages) fmt::print(stderr, "{}\n", message);
    std::vector<std::string> warnings;
    if (ReportProblems("kz7: " + options.model, RunProblems(state, warnings))) return kExitFailed;
    for (const std::string& warning : warnings)
        fmt::print(stderr, "kz7: {}: {}\n", options.model, warning);
    std::string weatherFile;
    if (run.command == "simulate") {
        const std::vector<std::string> candidates = WeatherFileCandidates(state);
        weatherFile = FirstFile(candidates);
        if (weatherFile.empty()) {
            fmt::print(stderr, "kz7: {}: weather file \"{}\" not found; looked for {}\n",
                       options.model, state.weather->WeatherDbName,
                       fmt::join(candidates, ", "));
            return kExitFailed;
        }
    }
    try {
        return RunAndStore(control, options, run, weatherFile);
    } catch (const ResultDatabaseError& error) {
        fmt::print(stderr, "kz7: {}\n", error.what());
        return kExitFailed;
    }
}

}  // namespace kz7::app
