#include "ProcessIdentity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

namespace kz7::app {

namespace {

std::optional<std::string> BootId() {
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string id;
    if (!(file >> id) || id.empty()) return std::nullopt;
    return id;
}

// A process's state letter and start time from /proc/<pid>/stat; empty
// when there is no such process (or no /proc).
struct ProcessStat {
    char state = '?';
    int64_t startTicks = 0;
};
std::optional<ProcessStat> ReadStat(int64_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line)) return std::nullopt;
    // The name in parentheses may hold blanks and parentheses: the fields
    // that follow it start after the last ")".
    const size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    std::istringstream fields(line.substr(nameEnd + 1));
    ProcessStat stat;
    fields >> stat.state;
    // Fields 4 to 21 lie between the state (3) and the start time (22).
    std::string skipped;
    for (int field = 4; field <= 21; ++field) fields >> skipped;
    if (!(fields >> stat.startTicks)) return std::nullopt;
    return stat;
}

}  // namespace

std::optional<ProcessIdentity> ThisProcess() {
    const int64_t pid = ::getpid();
    const std::optional<std::string> boot = BootId();
    const std::optional<ProcessStat> stat = ReadStat(pid);
    if (!boot || !stat) return std::nullopt;
    return ProcessIdentity{pid, stat->startTicks, *boot};
}

std::optional<bool> IsRunning(const ProcessIdentity& process) {
    const std::optional<std::string> boot = BootId();
    if (!boot) return std::nullopt;
    if (*boot != process.bootId) return false;  // the machine has started again since
    if (process.pid <= 0) return std::nullopt;  // no number a process has
    // Signal 0 only asks whether the process is there; one of another user
    // is there too (EPERM).
    if (::kill(static_cast<pid_t>(process.pid), 0) != 0 && errno == ESRCH) return false;
    // A /proc that hides other users' processes tells nothing more.
    const std::optional<ProcessStat> stat = ReadStat(process.pid);
    if (!stat) return std::nullopt;
    return stat->startTicks == process.startTicks && stat->state != 'Z' && stat->state != 'X';
}

}  // namespace kz7::app
