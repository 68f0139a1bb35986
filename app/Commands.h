#pragma once
// The subcommands of the kz7 host. Each command file adds its subcommand in
// Register...; RegisterCommands calls them all.
#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace kz7::app {

// Exit codes: 0 success, 1 failed read or run (or a model with errors under
// --strict), 2 wrong usage, 3 ran on a model with errors, 130 cancelled.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

void RegisterCommands(CLI::App& app);
void RegisterReadCommand(CLI::App& app);
void RegisterWeatherCommand(CLI::App& app);
void RegisterMakeTapeCommand(CLI::App& app);
void RegisterInspectCommand(CLI::App& app);
void RegisterCheckCommand(CLI::App& app);
void RegisterPartLCommand(CLI::App& app);
void RegisterConstructionCommand(CLI::App& app);
void RegisterReportCommand(CLI::App& app);
void RegisterSbemCommand(CLI::App& app);
void RegisterKlimaCommand(CLI::App& app);
void RegisterSimulateCommand(CLI::App& app);
void RegisterDesignCommands(CLI::App& app);
void RegisterBatchCommand(CLI::App& app);
// The exit code the command that ran has set.
int ExitCode();
void SetExitCode(int code);
// A problem that ends the command, as its one line on the error output:
// "kz7: <problem>" (a file named first, as in "kz7: office.kz7: model file
// not found").
void ShowProblem(std::string_view problem);
// Whether `file` names a file to read weather from; if not, shows
// "FILE: weather file not found" as a missing model is shown (the engine's
// own words would be "Error opening FILE").
bool WeatherFileFound(const std::string& file);

void RegisterExportCsvCommand(CLI::App& app);
void RegisterHtmlReportCommand(CLI::App& app);

}  // namespace kz7::app
