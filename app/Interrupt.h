#pragma once
// Ctrl-C during a run, and the termination or hangup signals a scheduler,
// `kill`, `timeout` or a closed terminal sends. The signal handler only sets
// a flag (nothing else is safe inside a handler); the run's yield callback
// turns the flag into the engine's Cancelled, and the run then ends the
// ordinary way, "cancelled", rather than staying "running" in its database.
// A second signal of the same kind ends the process at once, as it would
// without the handler; the result database stays consistent because it is
// written in transactions.
#include <signal.h>

#include <array>
#include <functional>

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// Installs the handler of SIGINT, SIGTERM and SIGHUP for its lifetime (not
// of a SIGTERM or SIGHUP the process ignores) and restores the previous
// actions afterwards. One at a time in a process.
class InterruptHandler {
  public:
    InterruptHandler();
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

    // True once Ctrl-C was pressed or one of the other signals came.
    bool Requested() const;

  private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, kSignals.size()> previous_{};
};

// A yield callback for `state.yieldHandler` that sets Cancelled on the
// engine once `interrupt` was requested.
std::function<void()> CancelOnInterrupt(EngineState& state, const InterruptHandler& interrupt);

}  // namespace kz7::app
