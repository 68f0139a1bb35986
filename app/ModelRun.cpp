#include "ModelRun.h"

#include <fmt/format.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "ModelFile.h"
#include "ResultDatabase.h"
#include "ResultTables.h"
#include "RunSession.h"
#include "Sha256.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string WeatherFileOf(const EngineState& state) {
    const Weather& weather = *state.weather;
    if (weather.WeatherFileType == 4) return weather.ResolveWeatherFile(weather.WeatherDbName);
    const char* extension = weather.WeatherFileType == 2 ? ".fwt" : ".rwt";
    return (std::filesystem::path(state.settings.supportFilePath) /
            (weather.WeatherDbName + extension))
        .string();
}

namespace {

// The SHA-256 of the model file's bytes; empty when it cannot be read.
std::string HashOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? Sha256Hex(text.str()) : std::string();
}

// The records reach the host as numbers: the engine formats no texts.
void ConnectRecords(SimulateX& control, RunSession& session, const ModelRun& run) {
    control.SaveResultRecord = [&session, &run](const ResultRecord& record) {
        session.OnRecord(record);
        if (run.onRecord) run.onRecord(record);
    };
    control.MessageChange = [&session](std::string& message) { session.OnMessage(message); };
    control.ProgressChange = [&session, &control] { session.OnProgress(control.Progress()); };
}

int RunAndStore(SimulateX& control, const ModelRunOptions& options, const ModelRun& run,
                RunInfo info) {
    EngineState& state = control.State();
    ResultDatabase database(options.db);
    info.modelHash = HashOfFile(options.model);
    RunSession session(state, database, info, options.quiet);
    session.Run().AddZones(ZoneRows(state));
    session.Run().AddVariables(ResultVariableRows());
    ConnectRecords(control, session, run);
    state.yieldHandler = session.YieldHandler();
    state.errorHandler = session.ErrorHandler();
    int code = kExitFailed;
    try {
        run.run(control);
        if (run.summary) session.Run().SetSummary(run.summary());
        code = session.Finish();
    } catch (const ResultDatabaseError& error) {
        code = session.Fail(error.what());
    } catch (const std::exception& error) {
        code = session.Fail(fmt::format("{}: the run failed: {}", options.model, error.what()));
    }
    state.yieldHandler = nullptr;
    state.errorHandler = nullptr;
    control.SaveResultRecord = nullptr;
    control.MessageChange = nullptr;
    control.ProgressChange = nullptr;
    const RunWriter& stored = session.Run();
    if (code == kExitOk && run.report)
        run.report(control, {stored.RunId(), stored.RecordCount(), stored.ValueCount()});
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
    command.add_option("--label", options.label, "A name for the run, stored with it");
    command.add_option("--param", options.parameters,
                       "A key=value pair stored with the run (may be repeated)");
}

std::vector<std::pair<std::string, std::string>> ParseParameters(
    const std::vector<std::string>& texts, std::string& problem) {
    std::vector<std::pair<std::string, std::string>> parameters;
    for (const std::string& text : texts) {
        const size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0) {
            problem = fmt::format("--param \"{}\": expected key=value", text);
            return {};
        }
        std::string key = text.substr(0, equals);
        for (const auto& [existing, value] : parameters) {
            if (existing == key) {
                problem = fmt::format("--param \"{}\": the key is given twice", key);
                return {};
            }
        }
        parameters.emplace_back(std::move(key), text.substr(equals + 1));
    }
    return parameters;
}

int RunModel(const ModelRunOptions& options, const ModelRun& run) {
    std::string problem;
    RunInfo info{run.command, options.model, "", options.label,
                 ParseParameters(options.parameters, problem)};
    if (!problem.empty()) {
        fmt::print(stderr, "kz7: {}\n", problem);
        return kExitFailed;
    }
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
    problem = LoadModel(control, options.model, options.support);
    state.errorHandler = nullptr;
    control.MessageChange = nullptr;
    if (!problem.empty()) {
        fmt::print(stderr, "kz7: {}\n", problem);
        return kExitFailed;
    }
    for (const std::string& message : readMessages) fmt::print(stderr, "{}\n", message);
    if (run.command == "simulate") {
        info.weather = WeatherFileOf(state);
        if (!IsFile(info.weather)) {
            fmt::print(stderr, "kz7: {}: weather file not found (named by {})\n", info.weather,
                       options.model);
            return kExitFailed;
        }
    }
    try {
        return RunAndStore(control, options, run, std::move(info));
    } catch (const ResultDatabaseError& error) {
        fmt::print(stderr, "kz7: {}\n", error.what());
        return kExitFailed;
    }
}

}  // namespace kz7::app
