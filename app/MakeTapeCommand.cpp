// kz7 make-tape EPW NAME [--out DIR]: a reduced weather tape NAME.rwt and its
// day-count file NAME.dcf from an EPW file.
#include <fmt/core.h>

#include <filesystem>
#include <memory>
#include <string>

#include "Commands.h"
#include "kz7/engine/EngineState.h"
#include "kz7/platform/OutputFile.h"
#include "kz7/weather/EnergyPlusWeather.h"
#include "kz7/weather/ReducedTape.h"

namespace kz7::app {

namespace {

struct MakeTapeOptions {
    std::string file;
    std::string name;
    std::string folder = ".";
};

// A tape name is a plain file name: the engine finds tapes in its support
// folder by name alone.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

void RunMakeTape(const MakeTapeOptions& options) {
    if (!IsPlainName(options.name)) {
        ShowProblem(fmt::format("the tape name \"{}\" must be a plain file name", options.name));
        SetExitCode(kExitUsage);
        return;
    }
    // The EPW first: a command that cannot run leaves no folder behind.
    if (!WeatherFileFound(options.file)) {
        SetExitCode(kExitFailed);
        return;
    }
    std::string problem;
    if (!MakeFolder(options.folder, problem)) {
        ShowProblem(problem);
        SetExitCode(kExitFailed);
        return;
    }
    EngineState state;
    EnergyPlusWeather epw(state);
    if (!epw.OpenFile(options.file)) {
        SetExitCode(kExitFailed);
        return;
    }
    if (!MakeReducedTape(epw, options.name, options.folder, problem)) {
        ShowProblem(problem);
        SetExitCode(kExitFailed);
        return;
    }
    const std::filesystem::path folder(options.folder);
    fmt::print("Wrote {} and {}\n", (folder / (options.name + ".rwt")).string(),
               (folder / (options.name + ".dcf")).string());
    SetExitCode(kExitOk);
}

}  // namespace

void RegisterMakeTapeCommand(CLI::App& app) {
    auto options = std::make_shared<MakeTapeOptions>();
    CLI::App* command = app.add_subcommand(
        "make-tape", "Make a reduced weather tape (NAME.rwt, NAME.dcf) from an EPW file");
    command->add_option("EPW", options->file, "EnergyPlus weather file")->required();
    command->add_option("NAME", options->name, "Name of the tape, without extension")->required();
    command->add_option("-o,--out", options->folder,
                        "Folder to write the tape into (default: the current folder)");
    command->callback([options] { RunMakeTape(*options); });
}

}  // namespace kz7::app
