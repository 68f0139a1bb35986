#pragma once
// A process as this machine knows it, so that a later process can tell
// whether it is still running: its number, which the system hands out again
// once it has ended, made unique by when it started and by the machine's
// boot. Read from /proc; where there is none, no process is known.
#include <cstdint>
#include <optional>
#include <string>

namespace kz7::app {

struct ProcessIdentity {
    int64_t pid = 0;
    int64_t startTicks = 0;  // when it started, in clock ticks since the boot
    std::string bootId;      // the boot it started in
};

// This process; empty when it cannot be known.
std::optional<ProcessIdentity> ThisProcess();

// Whether `process` is still running (not ended, nor a zombie waiting to be
// reaped) on this machine since the same boot; empty when that cannot be told.
std::optional<bool> IsRunning(const ProcessIdentity& process);

}  // namespace kz7::app
