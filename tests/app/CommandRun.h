#pragma once
// Runs the built kz7 host through the shell, bounded in time, and keeps what
// it printed on standard output and standard error apart.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>

namespace kz7::test {

struct CommandRun {
    int exitCode = -1;
    std::string output;  // standard output
    std::string error;   // standard error
};

// Runs `command` in the shell: its exit code (-1 when it did not exit) and
// what it printed on standard output.
inline std::pair<int, std::string> Shell(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, ""};
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// `environment` is put before the command ("NAME=value ...", or "-C FOLDER"
// to run it in FOLDER); a KZ7_SUPPORT of the shell that runs the tests is not
// passed on, so that a run without --support finds no support folder. The
// run is ended after 60 seconds.
inline CommandRun RunKz7(const std::string& arguments, const std::string& environment = "") {
    CommandRun run;
    char errorFile[] = "/tmp/kz7-stderr-XXXXXX";
    const int descriptor = ::mkstemp(errorFile);
    if (descriptor < 0) return run;
    ::close(descriptor);
    const std::string command = "env -u KZ7_SUPPORT " + environment + " timeout 60 " + KZ7_BINARY +
                                " " + arguments + " 2>" + errorFile;
    std::tie(run.exitCode, run.output) = Shell(command);
    std::ifstream error(errorFile, std::ios::binary);
    run.error.assign(std::istreambuf_iterator<char>(error), std::istreambuf_iterator<char>());
    std::remove(errorFile);
    return run;
}

}  // namespace kz7::test
