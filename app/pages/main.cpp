// kz7_pages MAN BASH: writes the man page and the bash completion script of
// kz7, both made from its help text, for the build to install.
#include <fmt/core.h>

#include <fstream>

#include "CommandLine.h"

namespace {

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    fmt::print(stderr, "kz7_pages: cannot write {}\n", path);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fmt::print(stderr, "usage: kz7_pages MAN-PAGE BASH-COMPLETION\n");
        return 2;
    }
    CLI::App app;
    kz7::app::ConfigureCommandLine(app);
    const bool written = WriteFile(argv[1], kz7::app::ManPage(app)) &&
                         WriteFile(argv[2], kz7::app::BashCompletion(app));
    return written ? 0 : 1;
}
