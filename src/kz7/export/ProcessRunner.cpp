#include "kz7/export/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/export/ShellQuote.h"
#include "kz7/platform/DiagnosticsLog.h"

extern char** environ;

namespace kz7 {

namespace {

constexpr const char* kPipeFailed = "CreatePipe failed: ";
constexpr const char* kPipeCreated = "CreatePipe succeded";
constexpr const char* kSpawnFailed = "CreateProcess failed: ";
constexpr const char* kSpawnCreated = "CreateProcess succeded";
constexpr const char* kInvalidWindowStyle = "Invalid window style ";

constexpr size_t kReadBufferSize = 4096;
// How long one turn of the wait loop may block before the host gets its
// yield, in milliseconds.
constexpr int kTurnMilliseconds = 20;

// A file descriptor closed when it goes out of scope.
class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Hands the descriptor over to the caller, who closes it.
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_ = -1;
};

// The failure text: the system error code in upper-case hexadecimal, with
// its description so that a log reader need not look the code up.
std::string FailureText(const char* prefix, int error) {
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "%X", static_cast<unsigned>(error));
    return std::string(prefix) + hex.data() + " (" + std::strerror(error) + ")";
}

int32_t ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Reads what is waiting on `fd` into `output`; false at the end of the
// stream (every writer gone) or on a read error.
bool ReadAvailable(int fd, std::string& output) {
    std::array<char, kReadBufferSize> buffer{};
    while (true) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count > 0) {
            output.append(buffer.data(), static_cast<size_t>(count));
            return true;
        }
        if (count < 0 && errno == EINTR) continue;
        return count < 0 && errno == EAGAIN;
    }
}

// Everything still in the pipe once the child has ended. Something the
// child left running in the background may hold the pipe open, so this
// never waits for the end of the stream.
void DrainWithoutWaiting(int fd, std::string& output) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::array<char, kReadBufferSize> buffer{};
    while (true) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count > 0) {
            output.append(buffer.data(), static_cast<size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

}  // namespace

bool ProcessRunner::ShellAndWait(int32_t& /*Owner*/, std::string& sShell, std::string& sDefaultDir,
                                 bool& bPause, std::string& sStdOut, int32_t eWindowStyle,
                                 const std::string& /*sError*/, int32_t /*lTimeOut*/) {
    // The folder is taken as a folder, not as a text prefix: "dir" and
    // "dir/" both put the script inside dir. There are no drive letters
    // here, so the whole folder is the target of the change of folder.
    std::error_code error;
    const auto folder = sDefaultDir.empty() ? std::filesystem::current_path(error)
                                            : std::filesystem::absolute(sDefaultDir, error);
    if (error) return false;
    if (!WriteScript(folder / kScriptName, ScriptText(folder, sShell, bPause))) return false;
    lastOutcome_ = RunScript(folder, kScriptName, eWindowStyle);
    sStdOut = lastOutcome_.output;
    return true;
}

std::string ProcessRunner::ScriptText(const std::filesystem::path& folder,
                                      const std::string& command, bool pause) {
    std::string text = "#!/bin/sh\n";
    if (pause) {
        // Answered by a line (or the end) of the standard input; keeps the
        // command's exit status as the script's.
        text +=
            "pause() {\n"
            "    kz7_status=$?\n"
            "    printf '%s' 'Press Enter to continue . . . '\n"
            "    read -r kz7_answer || :\n"
            "    return \"$kz7_status\"\n"
            "}\n";
    }
    text += "cd " + ShellQuote(folder.string()) + " || exit 1\n";
    text += command + "\n";
    if (pause) text += "pause\n";
    return text;
}

bool ProcessRunner::WriteScript(const std::filesystem::path& path, const std::string& text) {
    // A fresh file, readable by its owner only (a command line may carry
    // credentials); whatever had the name before, a link included, is
    // removed rather than written through.
    ::unlink(path.c_str());
    Descriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.IsOpen()) return false;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(file.Get(), text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        written += static_cast<size_t>(count);
    }
    return ::close(file.Release()) == 0;
}

WindowStyle ProcessRunner::ResolveWindowStyle(int32_t value) {
    switch (value) {
        case 0:
            return WindowStyle::Hidden;
        case 1:
        case 4:
            return WindowStyle::Normal;
        case 2:
            return WindowStyle::Minimized;
        case 3:
            return WindowStyle::Maximized;
        case 6:
            return WindowStyle::MinimizedNoActivate;
        default:
            state_.ShowError(kInvalidWindowStyle + std::to_string(value));
            return WindowStyle::Hidden;
    }
}

void ProcessRunner::Log(const std::string& line) {
    AppendDiagnosticsLine(state_.settings.diagnosticsFilename, line);
}

ProcessOutcome ProcessRunner::RunScript(const std::filesystem::path& folder,
                                        const std::string& fileName, int32_t windowStyle) {
    ProcessOutcome outcome;
    const bool capture = ResolveWindowStyle(windowStyle) == WindowStyle::Hidden;

    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        outcome.output = FailureText(kPipeFailed, errno);
        Log(outcome.output);
        return outcome;
    }
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    Log(kPipeCreated);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (capture) {
        posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDERR_FILENO);
    }
    if (childInput >= 0) posix_spawn_file_actions_adddup2(&actions, childInput, STDIN_FILENO);

    const std::string scriptPath = (folder / fileName).string();
    std::vector<std::string> words{"sh", scriptPath};
    std::vector<char*> argv{words[0].data(), words[1].data(), nullptr};
    pid_t child = -1;
    const int spawnError =
        ::posix_spawn(&child, shellProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) {
        outcome.output = FailureText(kSpawnFailed, spawnError);
        Log(outcome.output);
        return outcome;
    }
    outcome.started = true;
    Log(kSpawnCreated);
    writeEnd.Close();  // the child holds the only writer now: its end closes the stream

    int status = 0;
    while (true) {
        if (readEnd.IsOpen()) {
            pollfd waiting{readEnd.Get(), POLLIN, 0};
            if (::poll(&waiting, 1, kTurnMilliseconds) > 0 &&
                !ReadAvailable(readEnd.Get(), outcome.output)) {
                readEnd.Close();
            }
        } else {
            ::poll(nullptr, 0, kTurnMilliseconds);
        }
        pid_t ended = ::waitpid(child, &status, WNOHANG);
        while (ended < 0 && errno == EINTR) ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            outcome.exitCode = ExitCodeOf(status);
            break;
        }
        if (ended < 0) break;  // reaped elsewhere (a host ignoring SIGCHLD): status unknown
        state_.Yield();
    }
    if (readEnd.IsOpen()) DrainWithoutWaiting(readEnd.Get(), outcome.output);
    return outcome;
}

}  // namespace kz7
