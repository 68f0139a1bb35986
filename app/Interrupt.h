#pragma once
// Ctrl-C during a run. The signal handler only sets a flag (nothing else is
// safe inside a handler); the run's yield callback turns the flag into the
// engine's Cancelled, and the run then ends the ordinary way, "cancelled".
// A second Ctrl-C ends the process at once, as it would without the handler;
// the result database stays consistent because it is written in transactions.
#include <signal.h>

#include <functional>

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// Installs the SIGINT handler for its lifetime and restores the previous
// action afterwards. One at a time in a process.
class InterruptHandler {
  public:
    InterruptHandler();
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

    // True once Ctrl-C was pressed.
    bool Requested() const;

  private:
    struct sigaction previous_ {};
};

// A yield callback for `state.yieldHandler` that sets Cancelled on the
// engine once `interrupt` was requested.
std::function<void()> CancelOnInterrupt(EngineState& state, const InterruptHandler& interrupt);

}  // namespace kz7::app
