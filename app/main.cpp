// kz7: the command-line host of the engine.
#include <CLI/CLI.hpp>
#include <iostream>

#include "CommandLine.h"
#include "Commands.h"

int main(int argc, char** argv) {
    CLI::App app;
    kz7::app::ConfigureCommandLine(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : kz7::app::kExitUsage;
    }
    if (app.get_subcommands().empty()) {
        // No command is a usage mistake: show what there is, and fail so that
        // a script notices.
        std::cerr << app.help();
        return kz7::app::kExitUsage;
    }
    return kz7::app::ExitCode();
}
