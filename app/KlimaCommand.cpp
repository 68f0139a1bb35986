// kz7 klima MODEL --klima-path DIR [--program P]: writes the CasaClima input
// file "in.inp" of a model into DIR and starts the CasaClima program on it.
#include <fmt/core.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "Commands.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "kz7/control/SimulateX.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace {

struct KlimaOptions {
    std::string model;
    std::string support;
    bool strict = false;
    std::string klimaPath;
    std::string program;
};

int WriteKlima(SimulateX& control, KlimaOptions& options);

int RunKlima(KlimaOptions& options) {
    SimulateX control;
    return WithModel(control, {options.model, options.support, options.strict},
                     [&] { return WriteKlima(control, options); });
}

int WriteKlima(SimulateX& control, KlimaOptions& options) {
    // An empty path is the current folder.
    std::string problem;
    if (!options.klimaPath.empty() && !MakeFolder(options.klimaPath, problem)) {
        fmt::print(stderr, "kz7 klima: {}\n", problem);
        return kExitFailed;
    }
    // The folder is a plain prefix of the file name: it must end with a separator.
    if (!options.klimaPath.empty() && options.klimaPath.back() != '/') options.klimaPath += '/';
    control.SetKlimaPath(options.klimaPath);
    control.SetKlimaProgram(options.program);
    control.Klima();
    // The writer removes an old file first and puts the new one in place
    // only when it is complete: a regular file here is this run's.
    const std::string written = options.klimaPath + "in.inp";
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(written, error)))
        return kExitFailed;
    fmt::print("{}\n", written);
    return kExitOk;
}

}  // namespace

void RegisterKlimaCommand(CLI::App& app) {
    auto options = std::make_shared<KlimaOptions>();
    CLI::App* command = app.add_subcommand(
        "klima", "Write the CasaClima input file of a model and start the CasaClima program");
    command->add_option("MODEL", options->model, "Model document")->required();
    command->add_option("--klima-path", options->klimaPath, "Folder of the CasaClima input file")
        ->required();
    command->add_option("--program", options->program,
                        "CasaClima program to start (not waited for)");
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    AddStrictOption(*command, options->strict);
    command->callback([options] { SetExitCode(RunKlima(*options)); });
}

}  // namespace kz7::app
