#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Interrupt.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {
namespace {

TEST(InterruptTest, CtrlCSetsCancelledAtTheNextYieldAndTheHandlerIsRestored) {
    // What the signals did before: the default, or ignored when the tests
    // were started in the background.
    constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction before[3]{};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(sigaction(kSignals[i], nullptr, &before[i]), 0);
    EngineState state;
    {
        InterruptHandler interrupt;
        state.yieldHandler = CancelOnInterrupt(state, interrupt);
        state.Yield();
        EXPECT_FALSE(state.engine->Cancelled);
        ASSERT_EQ(::raise(SIGINT), 0);  // the test goes on: only the flag is set
        EXPECT_TRUE(interrupt.Requested());
        EXPECT_FALSE(state.engine->Cancelled) << "cancelled before the engine yielded";
        state.Yield();
        EXPECT_TRUE(state.engine->Cancelled);
        state.yieldHandler = nullptr;
    }
    for (int i = 0; i < 3; ++i) {
        struct sigaction current {};
        ASSERT_EQ(sigaction(kSignals[i], nullptr, &current), 0);
        EXPECT_EQ(current.sa_handler, before[i].sa_handler) << kSignals[i];
    }

    InterruptHandler fresh;
    EXPECT_FALSE(fresh.Requested());
}

// Ctrl-C, a termination and a hangup each ask for the run to end; a second
// one of the same kind ends the process. A hangup ignored (nohup) stays so.
TEST(InterruptTest, ASecondSignalEndsTheProcessAndAnIgnoredHangupStaysIgnored) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            InterruptHandler interrupt;
            ::raise(signal);
            if (!interrupt.Requested()) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << signal << ": exit code " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
    }
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::signal(SIGHUP, SIG_IGN);
        InterruptHandler interrupt;
        ::raise(SIGHUP);
        ::_exit(interrupt.Requested() ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kz7::app
