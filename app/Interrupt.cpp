#include "Interrupt.h"

#include <csignal>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {

namespace {

// The one flag a signal handler may touch: a lock-free sig_atomic_t that the
// handler only sets. It lives at file scope because a handler has no object.
volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int) {
    interruptRequested = 1;
}

}  // namespace

InterruptHandler::InterruptHandler() {
    interruptRequested = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The handler serves one signal of each kind; the next one gets the
    // default action.
    action.sa_flags = SA_RESETHAND;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction& previous = previous_[i];
        sigaction(kSignals[i], nullptr, &previous);
        // A hangup or termination the process was told to ignore (nohup)
        // stays ignored; Ctrl-C is always taken, as ever.
        if (kSignals[i] != SIGINT && previous.sa_handler == SIG_IGN) continue;
        sigaction(kSignals[i], &action, nullptr);
    }
}

InterruptHandler::~InterruptHandler() {
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

bool InterruptHandler::Requested() const {
    return interruptRequested != 0;
}

std::function<void()> CancelOnInterrupt(EngineState& state, const InterruptHandler& interrupt) {
    return [&state, &interrupt] {
        if (interrupt.Requested() && state.engine) state.engine->Cancelled = true;
    };
}

}  // namespace kz7::app
