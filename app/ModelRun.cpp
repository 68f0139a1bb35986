#include "ModelRun.h"

#include <fmt/format.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "HtmlReport.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "ResultDatabase.h"
#include "ResultTables.h"
#include "RunSession.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

void ConnectRecords(SimulateX& control, RunSession& session, const ModelRun& run) {
    auto store = [&session, &run](int16_t& interval, int32_t& zone, ValueArray& values,
                                  double& date) {
        session.OnRecord(interval, zone, values, date);
        if (run.onRecord) run.onRecord(interval, zone, values);
    };
    control.SaveSSData = store;
    control.SaveHLData = store;
    control.SaveHGData = store;
    control.MessageChange = [&session](std::string& message) { session.OnMessage(message); };
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
    ConnectRecords(control, session, run);
    state.yieldHandler = session.YieldHandler();
    state.errorHandler = session.ErrorHandler();
    state.warningHandler = [&session](const std::string& text) { session.OnWarning(text); };
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
    state.warningHandler = nullptr;
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
    command.add_flag("--quiet", options.quiet, "No progress bar and no engine messages");
    command.add_option("--html", options.html,
                       "Also write the run's HTML report with charts to this file");
    AddStrictOption(command, options.strict);
}

int RunModel(const ModelRunOptions& options, const ModelRun& run) {
    EngineState state;
    SimulateX control(state);
    // The read's messages, errors and warnings are held back so that a
    // failed read gives one line.
    std::vector<std::string> readMessages;
    ModelMessages problems;
    problems.Connect(state, options.support, false);
    control.MessageChange = [&](std::string& message) {
        if (!options.quiet) readMessages.push_back(message);
    };
    if (run.prepare) run.prepare(control);
    const std::string problem = LoadModel(control, options.model, options.support);
    state.errorHandler = nullptr;
    state.warningHandler = nullptr;
    control.MessageChange = nullptr;
    if (!problem.empty()) {
        fmt::print(stderr, "kz7: {}\n", problem);
        return kExitFailed;
    }
    for (const std::string& message : readMessages) fmt::print(stderr, "{}\n", message);
    for (const ModelMessage& message : problems.All())
        fmt::print(stderr, "{}\n", MessageLine(message));
    if (StopsForStrict(options.model, problems, options.strict)) return kExitFailed;
    std::string weatherFile;
    if (run.command == "simulate") {
        weatherFile = WeatherFileOf(state);
        if (!IsFile(weatherFile)) {
            fmt::print(stderr, "kz7: {}: weather file not found (named by {})\n", weatherFile,
                       options.model);
            return kExitFailed;
        }
    }
    try {
        return ExitAfterModelErrors(RunAndStore(control, options, run, weatherFile),
                                    options.model, problems);
    } catch (const ResultDatabaseError& error) {
        fmt::print(stderr, "kz7: {}\n", error.what());
        return kExitFailed;
    }
}

}  // namespace kz7::app
