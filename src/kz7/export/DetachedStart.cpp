#include "kz7/export/DetachedStart.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "kz7/export/ShellQuote.h"

extern char** environ;

namespace kz7 {

bool StartDetached(const std::vector<std::string>& words) {
    if (words.empty()) return false;
    std::string script = ShellCommandLine(words) + " </dev/null >/dev/null 2>&1 &";
    std::string shell = "/bin/sh";
    std::string option = "-c";
    char* argv[] = {shell.data(), option.data(), script.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, shell.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace kz7
