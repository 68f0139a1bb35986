#pragma once
// The kz7 command line as one CLI11 application, and the pages made from its
// help text: the man page kz7(1) and the bash completion script. Both pages
// are generated at build time (app/pages) and installed with the program, so
// they never tell a different story from `kz7 --help`.
#include <CLI/CLI.hpp>
#include <string>

namespace kz7::app {

// Names the application, adds --version and every command.
void ConfigureCommandLine(CLI::App& app);

// When `word`, the first argument, is no command and no option: one line
// naming it, with the commands it most likely means, if any (those it is the
// start of, else one a letter or two off); else empty.
std::string UnknownCommandMessage(CLI::App& app, const std::string& word);

// The man page, in roff.
std::string ManPage(CLI::App& app);

// A bash completion script: commands, each command's options, and file
// names for arguments and option values.
std::string BashCompletion(CLI::App& app);

}  // namespace kz7::app
