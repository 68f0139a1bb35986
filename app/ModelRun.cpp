#include "ModelRun.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "HtmlReport.h"
#include "ModelChecks.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "ResultDatabase.h"
#include "ResultTables.h"
#include "RunSession.h"
#include "Sha256.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/platform/InputFile.h"
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

}  // namespace

std::string WeatherFileOf(const EngineState& state) {
    return FirstFile(WeatherFileCandidates(state));
}

std::string WeatherNotFound(const EngineState& state) {
    return fmt::format("weather file \"{}\" not found; looked for {}", state.weather->WeatherDbName,
                       fmt::join(WeatherFileCandidates(state), ", "));
}

void UseEpwWeather(EngineState& state, const std::string& file) {
    state.weather->WeatherDbName = file;
    state.weather->WeatherFileType = 4;
    state.clock.weatherType = 4;
}

namespace {

// The SHA-256 of the model file's bytes; empty when it cannot be read.
std::string HashOfFile(const std::string& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    return bytes ? Sha256Hex(*bytes) : std::string();
}

// A one-line reason the run could not start, for the user.
void Tell(const ModelRunOptions& options, std::string_view problem) {
    if (options.hooks.problem)
        options.hooks.problem(problem);
    else
        ShowProblem(problem);
}

// A line of the engine's or of the run's own for the user.
void Say(const ModelRunOptions& options, const std::string& line) {
    if (options.hooks.message)
        options.hooks.message(line);
    else
        fmt::print(stderr, "{}\n", line);
}

// Puts the EPW file `weather` in place of the model's weather source. The
// path is made absolute so that the engine does not look for it in the
// support folder; a missing file is found missing with the model's own.
std::string UseWeatherFile(EngineState& state, const std::string& weather) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(weather, error);
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (error || extension != ".epw") return weather + ": not an EPW weather file (.epw)";
    UseEpwWeather(state, path.string());
    return {};
}

// The records reach the host as numbers: the engine formats no texts.
void ConnectRecords(SimulateX& control, RunSession& session, const ModelRun& run, bool verbose) {
    control.SaveResultRecord = [&session, &run](const ResultRecord& record) {
        session.OnRecord(record);
        if (run.onRecord) run.onRecord(record);
    };
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

// `modelErrors`: the model's errors, for the run's note (ModelMessages::ErrorsNote);
// `runErrors`: the errors the engine reported during the run.
int RunAndStore(SimulateX& control, const ModelRunOptions& options, const ModelRun& run,
                RunInfo info, std::string_view modelErrors, int64_t& runErrors) {
    EngineState& state = control.State();
    ResultDatabase database(options.db);
    info.modelHash = HashOfFile(options.model);
    RunSession session(state, database, info, options.quiet, stderr, options.hooks);
    session.Run().AddZones(ZoneRows(state));
    session.Run().AddVariables(ResultVariableRows());
    ConnectRecords(control, session, run, options.verbose);
    state.yieldHandler = session.YieldHandler();
    state.errorHandler = session.ErrorHandler();
    state.warningHandler = [&session](const std::string& text) { session.OnWarning(text); };
    int code = kExitFailed;
    try {
        run.run(control);
        if (run.summary) session.Run().SetSummary(run.summary());
        code = session.Finish(modelErrors);
    } catch (const ResultDatabaseError& error) {
        code = session.Fail(error.what());
    } catch (const std::exception& error) {
        code = session.Fail(fmt::format("{}: the run failed: {}", options.model, error.what()));
    }
    state.yieldHandler = nullptr;
    state.errorHandler = nullptr;
    state.warningHandler = nullptr;
    control.SaveResultRecord = nullptr;
    control.MessageChange = nullptr;
    control.ProgressChange = nullptr;
    runErrors = session.ErrorCount();
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
    command.add_option("--label", options.label, "A name for the run, stored with it");
    // One pair per --param, so that the model after it is not taken for another.
    command
        .add_option("--param", options.parameters,
                    "A key=value pair stored with the run (may be repeated)")
        ->allow_extra_args(false);
    AddStrictOption(command, options.strict);
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
        Tell(options, problem);
        return kExitFailed;
    }
    EngineState state;
    SimulateX control(state);
    // The read's messages, errors and warnings are held back so that a
    // failed read gives one line.
    std::vector<std::string> readMessages;
    ModelMessages modelMessages;
    modelMessages.Connect(state, options.support, false);
    control.MessageChange = [&](std::string& message) {
        if (!options.quiet) readMessages.push_back(message);
    };
    if (run.prepare) run.prepare(control);
    problem = LoadModel(control, options.model, options.support);
    state.errorHandler = nullptr;
    state.warningHandler = nullptr;
    control.MessageChange = nullptr;
    if (problem.empty() && !options.weather.empty())
        problem = UseWeatherFile(state, options.weather);
    if (!problem.empty()) {
        Tell(options, problem);
        return kExitFailed;
    }
    for (const std::string& message : readMessages) Say(options, message);
    for (const ModelMessage& message : modelMessages.All()) Say(options, MessageLine(message));
    if (StopsForStrict(options.model, modelMessages, options.strict,
                       [&](const std::string& line) { Tell(options, line); }))
        return kExitFailed;
    std::vector<std::string> warnings;
    const std::vector<std::string> problems = RunProblems(state, warnings);
    for (const std::string& problem : problems) Tell(options, options.model + ": " + problem);
    if (!problems.empty()) return kExitFailed;
    for (const std::string& warning : warnings)
        Say(options, fmt::format("kz7: {}: {}", options.model, warning));
    if (run.command == "simulate") {
        info.weather = WeatherFileOf(state);
        if (info.weather.empty()) {
            Tell(options, options.model + ": " + WeatherNotFound(state));
            return kExitFailed;
        }
    }
    try {
        // The counts come after the engine's messages, so that a host keeps them together.
        int64_t runErrors = 0;
        const int code = RunAndStore(control, options, run, std::move(info),
                                     modelMessages.ErrorsNote(), runErrors);
        const ShowLine show = [&](const std::string& line) { Say(options, "kz7: " + line); };
        return ExitAfterRunErrors(ExitAfterModelErrors(code, options.model, modelMessages, show),
                                  options.model, runErrors, show);
    } catch (const ResultDatabaseError& error) {
        Tell(options, error.what());
        return kExitFailed;
    }
}

}  // namespace kz7::app
