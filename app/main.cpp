// kz7: the command-line host of the engine.
#include <CLI/CLI.hpp>

#include "Commands.h"

int main(int argc, char** argv) {
    CLI::App app{"kz7 — dynamic building thermal simulation"};
    app.set_version_flag("--version", std::string("kz7 ") + KZ7_VERSION);
    app.require_subcommand(0, 1);
    kz7::app::RegisterCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
        return 0;
    }
    return kz7::app::ExitCode();
}
