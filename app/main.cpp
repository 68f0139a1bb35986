// kz7: the command-line host of the engine.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <string>

#include "CommandLine.h"
#include "Commands.h"

int main(int argc, char** argv) {
    // A file-size limit (ulimit -f) then fails a write as a full disk does, so
    // that a run reaching it ends failed with the reason instead of being
    // killed with its run left "running".
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app;
    kz7::app::ConfigureCommandLine(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (const std::string unknown =
                argc > 1 ? kz7::app::UnknownCommandMessage(app, argv[1]) : std::string();
            !unknown.empty()) {
            std::cerr << unknown << '\n';
            return kz7::app::kExitUsage;
        }
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
