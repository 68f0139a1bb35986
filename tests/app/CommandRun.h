#pragma once
// Runs the built kz7 host through the shell, bounded in time.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kz7::test {

struct CommandRun {
    int exitCode = -1;
    std::string output;  // standard output only
};

// `environment` is put before the command ("NAME=value ..."); the run is
// ended after 60 seconds.
inline CommandRun RunKz7(const std::string& arguments, const std::string& environment = "") {
    CommandRun run;
    const std::string command = environment + " timeout 60 " + std::string(KZ7_BINARY) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kz7::test
