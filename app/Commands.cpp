#include "Commands.h"

#include <fmt/format.h>

#include <filesystem>

namespace kz7::app {

namespace {
int exitCode = kExitOk;  // set once by the command that runs
}

int ExitCode() {
    return exitCode;
}
void SetExitCode(int code) {
    exitCode = code;
}

void ShowProblem(std::string_view problem) {
    fmt::print(stderr, "kz7: {}\n", problem);
}

bool WeatherFileFound(const std::string& file) {
    std::error_code notThere;
    if (std::filesystem::is_regular_file(file, notThere)) return true;
    ShowProblem(file + ": weather file not found");
    return false;
}

void RegisterCommands(CLI::App& app) {
    // In the order of a user's work, as --help lists them: runs first, then
    // the model's checks and queries, weather and results, then the
    // compliance figures, reports and exports.
    RegisterSimulateCommand(app);
    RegisterDesignCommands(app);
    RegisterBatchCommand(app);
    RegisterCheckCommand(app);
    RegisterReadCommand(app);
    RegisterInspectCommand(app);
    RegisterWeatherCommand(app);
    RegisterMakeTapeCommand(app);
    RegisterExportCsvCommand(app);
    RegisterHtmlReportCommand(app);
    RegisterPartLCommand(app);
    RegisterConstructionCommand(app);
    RegisterReportCommand(app);
    RegisterSbemCommand(app);
    RegisterKlimaCommand(app);
}

}  // namespace kz7::app
